#pragma once
// The fault-memory report: runs a fault, info or history memory job
// ("fs_lesen", "is_lesen", "hs_lesen") and lays its entries out as a framed,
// readable text with one block per fault. The job's F_VERSION chooses one of
// three layouts; the newer two can run a "_detail" job per fault. Which parts
// of a block appear is switched by the bits of the option word ZEMO_FS_MODE.
// The text is built in memory in one piece; the caller decides where it goes.
#include <QByteArray>
#include <QString>
#include <QStringView>

class TextCatalogue;

namespace kitbox {

class Clock;
class VedamisApi;

// Bits of the option word ZEMO_FS_MODE.
namespace faultmode {
inline constexpr int location = 1;    // fault location line
inline constexpr int environment = 2; // environment conditions
inline constexpr int faultType = 4;   // fault type and state texts
inline constexpr int value = 8;       // value column of environment lines
inline constexpr int unit = 16;       // unit column of environment lines
inline constexpr int frequency = 32;  // frequency and counters
inline constexpr int hexCode = 64;    // raw fault code
inline constexpr int zemo = 256;      // this report replaces the result report
inline constexpr int pCode = 512;     // P code / SAE code (detail layout)
inline constexpr int pCode7 = 1024;   // seven-digit P code (detail layout, second generation)
inline constexpr int detail = 2048;   // runs a detail job per fault
inline constexpr int defaultWord = 1919;
} // namespace faultmode

class FehlerspeicherAusgabe {
public:
    FehlerspeicherAusgabe(VedamisApi &api, const TextCatalogue &texts, const Clock &clock);

    // True when the word asks for this report and the job is one of the three memory jobs.
    static bool appliesTo(const QString &job, int zemoFsMode);

    // Runs the job of the description and returns the report text (CR LF lines).
    QString build(const QString &sgbd, const QString &job, int zemoFsMode);

    // Layout generation of the last report (1, 2 or 3).
    int lastGeneration() const { return m_generation; }
    // Error code of the last error line the report holds (the report's own or
    // a detail job's), 0 when it has none.
    qint16 lastErrorCode() const { return m_errorCode; }

    // The bytes of a fault code or response data after a label of 11
    // characters: " XX" per byte, two more blanks after the 8th byte of a
    // line, and a new line indented by 11 blanks after every 16th byte.
    static QString byteColumns(const QByteArray &bytes);

private:
    class Report;

    VedamisApi &m_api;
    const TextCatalogue &m_texts;
    const Clock &m_clock;
    int m_generation = 1;
    qint16 m_errorCode = 0;
};

} // namespace kitbox
