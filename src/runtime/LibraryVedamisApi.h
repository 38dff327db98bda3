#pragma once
// A runtime loaded from a shared library at run time, so that another runtime
// exporting the same C entry points can be used without rebuilding. The
// library stays loaded as long as this object lives.
#include "runtime/VedamisEntryPoints.h"

#include <kitbox/Result.h>

#include <QLibrary>

#include <memory>

namespace kitbox {

class LibraryVedamisApi : public EntryPointVedamisApi {
public:
    // Name of the environment variable that selects the library.
    static constexpr const char *environmentVariable = "KITBOX_RUNTIME_LIBRARY";

    // Loads the library and resolves every entry; fails with a message naming
    // the library and, when one is missing, the entry.
    static Result<std::unique_ptr<LibraryVedamisApi>> load(const QString &path);

    ~LibraryVedamisApi() override;

private:
    LibraryVedamisApi(const VedamisEntryPoints &entries, std::unique_ptr<QLibrary> library);
    std::unique_ptr<QLibrary> m_library;
};

} // namespace kitbox
