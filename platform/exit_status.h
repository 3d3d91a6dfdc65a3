// The exit statuses of kelvarin-cli, here so that a core run can say which
// one its outcome amounts to, and every command maps an outcome the same way.
#pragma once

namespace kelvarin {

// Everything done; something failed or was refused (so a build pipeline
// notices); the command line itself was wrong; the whole run was refused
// before it wrote anything (no or missing root, source and root nested, an
// output that is not a regular file).
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

}  // namespace kelvarin
