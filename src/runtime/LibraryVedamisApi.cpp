#include "runtime/LibraryVedamisApi.h"

namespace kitbox {

namespace {

template <typename F> void resolve(QLibrary &library, const char *name, F &target)
{
    target = reinterpret_cast<F>(library.resolve(name));
}

} // namespace

Result<std::unique_ptr<LibraryVedamisApi>> LibraryVedamisApi::load(const QString &path)
{
    using R = Result<std::unique_ptr<LibraryVedamisApi>>;
    if (path.trimmed().isEmpty())
        return R::failure("no runtime library given");
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load())
        return R::failure("cannot load runtime library " + path.toStdString() + ": " +
                          library->errorString().toStdString());
    VedamisEntryPoints e;
    resolve(*library, "apiVBInit", e.apiVBInit);
    resolve(*library, "apiVBInitExt", e.apiVBInitExt);
    resolve(*library, "enableServerVB", e.enableServerVB);
    resolve(*library, "apiVBJob", e.apiVBJob);
    resolve(*library, "apiVB4JobData", e.apiVB4JobData);
    resolve(*library, "apiVBResultSets", e.apiVBResultSets);
    resolve(*library, "apiVBResultNumber", e.apiVBResultNumber);
    resolve(*library, "apiVB4ResultName", e.apiVB4ResultName);
    resolve(*library, "apiVBResultFormat", e.apiVBResultFormat);
    resolve(*library, "apiVB4ResultText", e.apiVB4ResultText);
    resolve(*library, "apiVBResultInt", e.apiVBResultInt);
    resolve(*library, "apiVB4ResultBinary", e.apiVB4ResultBinary);
    resolve(*library, "apiVB4ResultBinaryExt", e.apiVB4ResultBinaryExt);
    resolve(*library, "apiVBErrorCode", e.apiVBErrorCode);
    resolve(*library, "apiVB4ErrorText", e.apiVB4ErrorText);
    resolve(*library, "apiVBBreak", e.apiVBBreak);
    resolve(*library, "apiVBEnd", e.apiVBEnd);
    resolve(*library, "apiVB4GetConfig", e.apiVB4GetConfig);
    resolve(*library, "apiVBSetConfig", e.apiVBSetConfig);
    const QString missing = e.firstMissing();
    if (!missing.isEmpty()) {
        library->unload();
        return R::failure("runtime library " + path.toStdString() + " lacks the entry " + missing.toStdString());
    }
    return std::unique_ptr<LibraryVedamisApi>(new LibraryVedamisApi(e, std::move(library)));
}

LibraryVedamisApi::LibraryVedamisApi(const VedamisEntryPoints &entries, std::unique_ptr<QLibrary> library)
    : EntryPointVedamisApi(entries), m_library(std::move(library))
{
}

// The library must outlive every call through its entries; it is unloaded
// only here, after the last call.
LibraryVedamisApi::~LibraryVedamisApi() = default;

} // namespace kitbox
