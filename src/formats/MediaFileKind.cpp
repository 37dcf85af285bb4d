#include "formats/MediaFileKind.h"

#include <initializer_list>

namespace {

bool HasSuffix(const QString& path, std::initializer_list<const char*> suffixes) {
    for (const char* suffix : suffixes) {
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

bool IsMidiFileName(const QString& path) {
    return HasSuffix(path, {".mid", ".midi", ".rmi"});
}

bool IsAsxFileName(const QString& path) {
    return HasSuffix(path, {".asx", ".wax"});
}
