// The import worker: the body of each of the four threads of an import. It
// brings one share of the source files into the root folder, rewriting a
// stored file only when its content differs from the source, and reports
// each step by posting to the job's window.
#pragma once

#include "import/import_job.h"

namespace kelvarin {

// Works through *job->files in order. For each file i it posts
// WM_IMPORT_PROGRESS (i, workerIndex), then at most one of WM_IMPORT_ADDED,
// WM_IMPORT_UPDATED, WM_IMPORT_FAILED or WM_IMPORT_ABANDONED (i,
// workerIndex); an up-to-date
// stored file gets PROGRESS only and is not written. Last it posts
// WM_IMPORT_FINISHED (0, workerIndex), exactly once, whatever happened.
// Takes ownership of the job and frees it. Keeps its codec work area and
// the compressor's buffers in its own stack frame (a few hundred KB), so the
// thread needs a stack of at least 1 MB (std::thread's default on Linux is
// 8 MB). Memory does not grow with the files' sizes.
// REQUIRES: job != nullptr, job->hwndDialog != nullptr, job->files !=
// nullptr; every entry of *job->files lies below job->sourceRoot.
void ImportWorker(ImportJob* job);

}  // namespace kelvarin
