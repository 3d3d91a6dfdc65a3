// The string table.
#include "app/string_table.h"

#include "app/resource.h"

namespace kelvarin::app {

QString LoadResourceString(int id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return QStringLiteral("关于 Kelvarin(&A)...");
        default:
            return {};
    }
}

}  // namespace kelvarin::app
