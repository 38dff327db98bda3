#include "runtime/InProcessVedamisApi.h"

#include <vedamis/vedamis.h>

namespace kitbox {

VedamisEntryPoints InProcessVedamisApi::entryPoints()
{
    VedamisEntryPoints e;
    e.apiVBInit = &::apiVBInit;
    e.apiVBInitExt = &::apiVBInitExt;
    e.enableServerVB = &::enableServerVB;
    e.apiVBJob = &::apiVBJob;
    e.apiVB4JobData = &::apiVB4JobData;
    e.apiVBResultSets = &::apiVBResultSets;
    e.apiVBResultNumber = &::apiVBResultNumber;
    e.apiVB4ResultName = &::apiVB4ResultName;
    e.apiVBResultFormat = &::apiVBResultFormat;
    e.apiVB4ResultText = &::apiVB4ResultText;
    e.apiVBResultInt = &::apiVBResultInt;
    e.apiVB4ResultBinary = &::apiVB4ResultBinary;
    e.apiVB4ResultBinaryExt = &::apiVB4ResultBinaryExt;
    e.apiVBErrorCode = &::apiVBErrorCode;
    e.apiVB4ErrorText = &::apiVB4ErrorText;
    e.apiVBBreak = &::apiVBBreak;
    e.apiVBEnd = &::apiVBEnd;
    e.apiVB4GetConfig = &::apiVB4GetConfig;
    e.apiVBSetConfig = &::apiVBSetConfig;
    return e;
}

InProcessVedamisApi::InProcessVedamisApi() : EntryPointVedamisApi(entryPoints()) {}

} // namespace kitbox
