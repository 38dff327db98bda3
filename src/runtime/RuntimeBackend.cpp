#include "runtime/RuntimeBackend.h"

#include "runtime/InProcessVedamisApi.h"
#include "runtime/LibraryVedamisApi.h"

namespace kitbox {

Result<std::unique_ptr<VedamisApi>> createRuntime(const QProcessEnvironment &environment)
{
    using R = Result<std::unique_ptr<VedamisApi>>;
    const QString path = environment.value(QString::fromLatin1(LibraryVedamisApi::environmentVariable));
    if (path.isEmpty())
        return std::unique_ptr<VedamisApi>(std::make_unique<InProcessVedamisApi>());
    auto loaded = LibraryVedamisApi::load(path);
    if (!loaded)
        return R::failure(loaded.error());
    return std::unique_ptr<VedamisApi>(std::move(loaded).value());
}

} // namespace kitbox
