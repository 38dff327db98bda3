#pragma once
// The runtime engine linked into the program (the default).
#include "runtime/VedamisEntryPoints.h"

namespace kitbox {

class InProcessVedamisApi : public EntryPointVedamisApi {
public:
    InProcessVedamisApi();
    static VedamisEntryPoints entryPoints();
};

} // namespace kitbox
