// libFuzzer target for the interface-trace reader and the recorder behind it.
// Besides "no crash", every trace the reader accepts must record into a
// simulation file that the simulation accepts whole, and the line check of
// the editor must never report a fault in it.
#include "trace/SimulationCheck.h"
#include "trace/SimulationRecorder.h"
#include "trace/TraceReader.h"

#include <vedamis/SimulationFile.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto reading = kitbox::readTraceTelegrams(bytes);
    if (!reading.ok())
        return 0;
    const auto recording = kitbox::SimulationRecorder::record(reading.value(), QString());
    if (!recording.ok())
        return 0;
    const QByteArray text = recording.value().text.toUtf8();
    vedamis::SimulationFile file;
    std::string error;
    if (!file.parse(std::string_view(text.constData(), size_t(text.size())), "R.SIM", error))
        __builtin_trap();
    if (!kitbox::SimulationCheck::check(recording.value().text).isEmpty())
        __builtin_trap();
    // The editor's line check reads any text, the trace itself included.
    (void)kitbox::SimulationCheck::check(QString::fromUtf8(bytes));
    return 0;
}
