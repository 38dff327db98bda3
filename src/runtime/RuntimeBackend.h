#pragma once
#include "runtime/VedamisApi.h"

#include <kitbox/Result.h>

#include <QProcessEnvironment>

#include <memory>

namespace kitbox {

// The runtime the program talks to: the library named by KITBOX_RUNTIME_LIBRARY
// when that variable is set and not empty, else the engine linked in.
Result<std::unique_ptr<VedamisApi>> createRuntime(const QProcessEnvironment &environment);

} // namespace kitbox
