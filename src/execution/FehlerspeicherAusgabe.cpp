#include "execution/FehlerspeicherAusgabe.h"

#include <QList>

#include "execution/ReportFormat.h"
#include "runtime/VedamisApi.h"
#include "shell/Clock.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

using report::nl;

namespace {

// Catalogue texts of the report.
constexpr int textErrorLabel = 56;
constexpr int textLogisticsCounter = 80;
constexpr int textFaultCode = 81;
constexpr int textEnvironmentSet = 82;
constexpr int textMileage = 83;
constexpr int textHealingCounter = 84;
constexpr int textNotSupported = 85;
constexpr int textInfoTitle = 90;
constexpr int textFaultTitle = 91;
constexpr int textNoFault = 92;
constexpr int textResult = 93;
constexpr int textFaultsInMemory = 94;
constexpr int textFault = 95;
constexpr int textOccurredAt = 96;
constexpr int textDate = 97;
constexpr int textVariant = 98;
constexpr int textHistoryTitle = 99;
constexpr int textVersion = 100;
constexpr int textEventDtcInvalid = 101;
constexpr int textEventDtc = 102;
constexpr int textNoEventDtc = 103;
constexpr int textEventDtcExample = 104;
constexpr int textResponseHeading = 105;
constexpr int textResponseData = 106;
constexpr int textResponseSnapshot = 107;
constexpr int textAbsoluteTime = 114;
constexpr int textSeconds = 115;
constexpr int textFrequency = 319;
constexpr int textEnvironment = 321;
constexpr int textInfoOverflow = 520;
constexpr int textFaultOverflow = 521;

constexpr qsizetype ruleWidth = 61;
constexpr qsizetype overflowWidth = 79;
constexpr qsizetype indentWidth = 11;
constexpr qsizetype labelWidth = 40;
// A mileage of 524280 is what the memory holds when none was recorded.
constexpr QStringView noMileage = u"524280";

// Bits that give an entry block at all in each layout.
constexpr int firstGenerationBits = 0xFF;
constexpr int shortBlockBits = faultmode::location | faultmode::faultType | faultmode::hexCode;
constexpr int detailBlockBits = 0x6FF;

const QString unreadable = QStringLiteral("????");

QString repeated(char16_t c, qsizetype n)
{
    return QString(n, QChar(c));
}

} // namespace

// One report in the making: the layout generation, the option word and the text so far.
class FehlerspeicherAusgabe::Report {
public:
    Report(FehlerspeicherAusgabe &owner, const QString &sgbd, const QString &job, int mode, int generation)
        : m_api(owner.m_api), m_texts(owner.m_texts), m_owner(owner), m_sgbd(sgbd), m_job(job), m_mode(mode),
          m_gen(generation)
    {
    }

    QString build(const QString &revision);

private:
    bool has(int bits) const { return (m_mode & bits) != 0; }
    QString t(int id) const { return m_texts.text(id); }

    bool readText(const QString &name, qint16 set, const QString &format, QString &value)
    {
        value.clear();
        return m_api.apiResultText(value, name, set, format);
    }
    QString textOr(const QString &name, qint16 set, const QString &format, const QString &fallback)
    {
        QString value;
        return readText(name, set, format, value) ? value : fallback;
    }
    bool readInt(const QString &name, qint16 set, qint16 &value)
    {
        value = 0;
        return m_api.apiResultInt(value, name, set);
    }
    bool readBinary(const QString &name, qint16 set, QByteArray &data)
    {
        data.clear();
        return m_api.apiResultBinary(data, name, set);
    }

    void appendErrorLine();

    // Entry blocks of the first generation; false when a read failed.
    bool firstGenerationEntries(qint16 sets);
    bool firstGenerationEnvironment(qint16 set);
    void shortEntries(qint16 sets);
    void detailEntries(qint16 sets);
    void detailBlocks(qint16 detailSets);
    void detailFailure(const QString &detailJob, qint16 detailSets, const QString &status, const QString &number,
                       const QString &text);
    void appendLocationLine(const QString &number, const QString &text);

    // Field blocks.
    void locationBlock(qint16 set);
    void codeBlock(const QString &name, qint16 set);
    void frequencyBlock(qint16 set);
    void environmentBlocks(qint16 detailSets);
    void environmentLines(qint16 set);
    void stateTextBlock(qint16 set);
    void faultTypeBlock(qint16 set);
    void hexCodeBlock(qint16 set);
    void overflowBox();
    void appendStateText(const QString &name, qint16 set);

    VedamisApi &m_api;
    const TextCatalogue &m_texts;
    FehlerspeicherAusgabe &m_owner;
    const QString m_sgbd;
    const QString m_job;
    const int m_mode;
    const int m_gen;
    QString m_out;
};

void FehlerspeicherAusgabe::Report::appendErrorLine()
{
    const qint16 code = m_api.apiErrorCode();
    m_owner.m_errorCode = code;
    if (m_gen == 1) {
        m_out += u"VEDAMIS Fehler ";
    } else {
        m_out += t(textErrorLabel);
        m_out += u' ';
    }
    m_out += QString::number(code);
    m_out += u" : ";
    m_out += m_api.apiErrorText();
    m_out += nl;
}

QString FehlerspeicherAusgabe::Report::build(const QString &revision)
{
    m_api.apiJob(m_sgbd, m_job, QString(), QString());

    int title = textFaultTitle;
    if (m_job == u"is_lesen")
        title = textInfoTitle;
    else if (m_job == u"hs_lesen" && m_gen >= 2)
        title = textHistoryTitle;
    m_out += repeated(u' ', indentWidth);
    m_out += t(title);
    m_out += nl;
    m_out += repeated(u' ', indentWidth);
    m_out += repeated(u'-', 39);
    m_out += nl;
    m_out += nl;

    const QDateTime now = m_owner.m_clock.now();
    if (m_gen == 1) {
        m_out += u"Datum:     ";
        m_out += now.toString(QStringLiteral("dd.MM.yy hh:mm"));
    } else if (m_gen == 2) {
        m_out += t(textDate);
        m_out += now.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    } else {
        m_out += t(textDate);
        m_out += now.toString(QStringLiteral("dd.MM.yyyy"));
        m_out += u", ";
        m_out += now.toString(QStringLiteral("hh:mm:ss"));
    }
    m_out += nl;
    if (m_gen < 3) {
        m_out += u"ECU:       ";
        m_out += m_sgbd;
        m_out += nl;
    }

    qint16 sets = 0;
    if (!m_api.apiResultSets(sets)) {
        appendErrorLine();
        return m_out;
    }
    QString status;
    if (!readText(QStringLiteral("JOB_STATUS"), sets, QString(), status)) {
        appendErrorLine();
        return m_out;
    }
    m_out += u"JobStatus: ";
    m_out += status;
    m_out += nl;

    QString variant;
    if (!readText(QStringLiteral("VARIANTE"), 0, QString(), variant)) {
        appendErrorLine();
        return m_out;
    }
    m_out += m_gen == 1 ? QStringLiteral("Variante:  ") : t(textVariant);
    m_out += variant;
    if (m_gen == 3) {
        m_out += u".PRG";
        m_out += nl;
        m_out += t(textVersion);
        m_out += revision;
    }
    m_out += nl;
    m_out += repeated(u'-', ruleWidth);
    m_out += nl;

    bool ok = true;
    if (sets != 1) {
        m_out += nl;
        m_out += t(textResult);
        m_out += QString::number(sets - 1);
        m_out += u' ';
        m_out += t(textFaultsInMemory);
        m_out += nl;
        if (m_gen == 1)
            ok = firstGenerationEntries(sets);
        else if (has(faultmode::detail))
            detailEntries(sets);
        else
            shortEntries(sets);
    } else {
        m_out += nl;
        m_out += repeated(u' ', indentWidth);
        m_out += t(textNoFault);
        m_out += nl;
    }

    if (ok) {
        m_out += repeated(u'=', ruleWidth);
        m_out += nl;
    } else {
        appendErrorLine();
    }
    return m_out;
}

bool FehlerspeicherAusgabe::Report::firstGenerationEntries(qint16 sets)
{
    if (!has(firstGenerationBits))
        return true;
    for (qint16 i = 1; i < sets; ++i) {
        m_out += repeated(u'-', ruleWidth);
        m_out += nl;
        if (has(faultmode::location)) {
            QString number;
            QString text;
            if (!readText(QStringLiteral("F_ORT_NR"), i, QStringLiteral("-5I"), number) ||
                !readText(QStringLiteral("F_ORT_TEXT"), i, QString(), text))
                return false;
            m_out += nl;
            m_out += number;
            m_out += u' ';
            m_out += text;
            m_out += nl;
        }
        if (has(faultmode::frequency)) {
            QString frequency;
            QString logistics;
            if (!readText(QStringLiteral("F_HFK"), i, QString(), frequency) ||
                !readText(QStringLiteral("F_LZ"), i, QString(), logistics))
                return false;
            m_out += nl;
            m_out += t(textFrequency);
            m_out += u": ";
            m_out += frequency;
            m_out += nl;
            m_out += t(textLogisticsCounter);
            m_out += u": ";
            m_out += logistics;
            m_out += nl;
        }
        if (has(faultmode::environment) && !firstGenerationEnvironment(i))
            return false;
        if (has(faultmode::faultType)) {
            qint16 count = 0;
            if (!readInt(QStringLiteral("F_ART_ANZ"), i, count))
                return false;
            if (count > 0)
                m_out += nl;
            for (qint16 k = 1; k <= count && k > 0; ++k) {
                QString text;
                if (!readText(QStringLiteral("F_ART%1_TEXT").arg(k), i, QString(), text))
                    return false;
                if (text.isEmpty() || text == u"--")
                    continue;
                m_out += u"   ";
                m_out += text;
                m_out += nl;
            }
        }
        if (has(faultmode::hexCode)) {
            // A missing fault code is no reason to give up the report here.
            QByteArray code;
            if (readBinary(QStringLiteral("F_HEX_CODE"), i, code) && !code.isEmpty()) {
                m_out += nl;
                m_out += t(textFaultCode);
                m_out += u':';
                m_out += byteColumns(code);
                m_out += nl;
            }
        }
    }
    return true;
}

bool FehlerspeicherAusgabe::Report::firstGenerationEnvironment(qint16 set)
{
    qint16 count = 0;
    if (!readInt(QStringLiteral("F_UW_ANZ"), set, count))
        return false;
    qint16 groups = 1;
    if (!readInt(QStringLiteral("F_UW_SATZ"), set, groups) || groups < 1)
        groups = 1;
    // The conditions are split evenly over the groups; with fewer conditions
    // than groups each condition is a group of its own.
    const int perGroup = qMax(1, count / groups);
    for (qint16 k = 1; k <= count && k > 0; ++k) {
        if ((k - 1) % perGroup == 0) {
            if (groups < 2) {
                m_out += nl;
            } else {
                m_out += nl;
                m_out += u"   ";
                m_out += t(textFault);
                m_out += u' ';
                m_out += QString::number((k - 1) / perGroup + 1);
                m_out += u". ";
                m_out += t(textOccurredAt);
                m_out += u':';
                m_out += nl;
                m_out += nl;
            }
        }
        QString name;
        if (!readText(QStringLiteral("F_UW%1_TEXT").arg(k), set, QStringLiteral("-40T"), name))
            return false;
        m_out += u"   ";
        m_out += name.left(labelWidth);
        if (has(faultmode::value)) {
            QString value;
            if (!readText(QStringLiteral("F_UW%1_WERT").arg(k), set, QStringLiteral("8.2R"), value))
                return false;
            m_out += u' ';
            m_out += value;
        }
        if (has(faultmode::unit)) {
            QString unit;
            if (!readText(QStringLiteral("F_UW%1_EINH").arg(k), set, QString(), unit))
                return false;
            m_out += u"  ";
            m_out += unit;
        }
        m_out += nl;
    }
    return true;
}

void FehlerspeicherAusgabe::Report::shortEntries(qint16 sets)
{
    for (qint16 i = 1; i < sets; ++i) {
        if (has(shortBlockBits)) {
            m_out += repeated(u'-', ruleWidth);
            m_out += nl;
        }
        if (has(faultmode::location))
            locationBlock(i);
        if (has(faultmode::faultType))
            stateTextBlock(i);
        if (has(faultmode::hexCode))
            hexCodeBlock(i);
    }
}

void FehlerspeicherAusgabe::Report::detailEntries(qint16 sets)
{
    // The detail jobs replace the fault job's results, so every location is
    // taken from it before the first detail job runs.
    QList<QString> numbers;
    QList<QString> texts;
    for (qint16 i = 1; i < sets; ++i) {
        if (m_gen == 2)
            numbers << textOr(QStringLiteral("F_ORT_NR"), i, QStringLiteral("-4X"), unreadable);
        else
            numbers << textOr(QStringLiteral("F_ORT_NR"), i, QStringLiteral("-6X"), QStringLiteral("?????? "));
        texts << textOr(QStringLiteral("F_ORT_TEXT"), i, QString(), unreadable);
    }

    const QString detailJob = m_job + QStringLiteral("_detail");
    // The info memory (and the second generation's history memory) has no
    // location numbers to ask for; its detail job takes the entry's set number.
    const bool bySetNumber = m_job == u"is_lesen" || (m_gen == 2 && m_job == u"hs_lesen");
    for (qint16 i = 1; i < sets; ++i) {
        const QString &number = numbers.at(i - 1);
        const QString &text = texts.at(i - 1);
        if (has(detailBlockBits)) {
            m_out += repeated(u'-', ruleWidth);
            m_out += nl;
        }
        const QString argument =
            bySetNumber ? QStringLiteral(";") + QString::number(i) : QStringLiteral("0x") + number.trimmed();
        m_api.apiJob(m_sgbd, detailJob, argument, QString());

        qint16 detailSets = 0;
        if (!m_api.apiResultSets(detailSets)) {
            if (has(faultmode::location))
                appendLocationLine(number, text);
            m_owner.m_errorCode = m_api.apiErrorCode();
            m_out += t(textErrorLabel);
            m_out += u' ';
            m_out += QString::number(m_owner.m_errorCode);
            m_out += u" : ";
            m_out += m_api.apiErrorText();
            m_out += nl;
            continue;
        }
        QString status;
        const bool statusRead = readText(QStringLiteral("JOB_STATUS"), detailSets, QString(), status);
        if (statusRead && status == u"OKAY")
            detailBlocks(detailSets);
        else
            detailFailure(detailJob, detailSets, statusRead ? status : unreadable, number, text);
    }
}

void FehlerspeicherAusgabe::Report::appendLocationLine(const QString &number, const QString &text)
{
    if (m_gen == 3)
        m_out += u"0x";
    m_out += number;
    m_out += u"   ";
    m_out += text;
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::detailBlocks(qint16 detailSets)
{
    if (has(faultmode::location))
        locationBlock(1);
    if (has(faultmode::pCode))
        codeBlock(m_gen == 2 ? QStringLiteral("F_PCODE") : QStringLiteral("F_SAE_CODE"), 1);
    if (m_gen == 2 && has(faultmode::pCode7))
        codeBlock(QStringLiteral("F_PCODE7"), 1);
    if (m_gen == 3) {
        qint16 overflow = 0;
        if (readInt(QStringLiteral("F_UEBERLAUF"), 1, overflow) && overflow == 1)
            overflowBox();
    }
    if (has(faultmode::frequency))
        frequencyBlock(1);
    if (has(faultmode::environment))
        environmentBlocks(detailSets);
    if (has(faultmode::faultType)) {
        stateTextBlock(1);
        if (m_gen == 2)
            faultTypeBlock(1);
    }
    if (has(faultmode::hexCode))
        hexCodeBlock(1);
}

void FehlerspeicherAusgabe::Report::detailFailure(const QString &detailJob, qint16 detailSets, const QString &status,
                                                  const QString &number, const QString &text)
{
    if (has(faultmode::location))
        appendLocationLine(number, text);
    m_out += detailJob;
    m_out += u": JobStatus: ";
    m_out += status;
    if (m_gen == 3) {
        QString message;
        if (readText(QStringLiteral("JOB_MESSAGE"), detailSets, QString(), message)) {
            m_out += u" --> ";
            m_out += message;
        }
    }
    m_out += nl;
    if (m_gen != 3)
        return;
    QByteArray data;
    if (readBinary(QStringLiteral("_RESPONSE_EXTENDED_DATA"), detailSets, data) && !data.isEmpty()) {
        m_out += nl;
        m_out += t(textResponseHeading);
        m_out += nl;
        m_out += t(textResponseData);
        m_out += byteColumns(data);
        m_out += nl;
    }
    if (readBinary(QStringLiteral("_RESPONSE_SNAPSHOT"), detailSets, data) && !data.isEmpty()) {
        m_out += t(textResponseSnapshot);
        m_out += byteColumns(data);
        m_out += nl;
    }
}

void FehlerspeicherAusgabe::Report::locationBlock(qint16 set)
{
    m_out += nl;
    if (m_gen == 2) {
        m_out += textOr(QStringLiteral("F_ORT_NR"), set, QStringLiteral("-4X"), unreadable);
        m_out += u"  ";
    } else {
        QString number;
        if (readText(QStringLiteral("F_ORT_NR"), set, QStringLiteral("-6X"), number)) {
            m_out += u"0x";
            m_out += number.trimmed().rightJustified(6, u'0');
        } else {
            m_out += u"0x??????";
        }
        m_out += u"   ";
    }
    m_out += textOr(QStringLiteral("F_ORT_TEXT"), set, QString(), unreadable);
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::codeBlock(const QString &name, qint16 set)
{
    QString shown;
    if (!readText(name + QStringLiteral("_STRING"), set, QString(), shown))
        return;
    shown = shown.trimmed();
    if (shown == u"--")
        return;
    QString text;
    const bool textRead = readText(name + QStringLiteral("_TEXT"), set, QString(), text);
    m_out += nl;
    if (shown == u"??") {
        // The code could not be put into words: show it raw in front of the text.
        m_out += textRead ? textOr(name, set, QStringLiteral("-4X"), unreadable) : unreadable;
        m_out += u"  ";
    }
    m_out += textRead ? text : unreadable;
    // The line is closed here so that a following block that starts without
    // a line break of its own (the environment) still begins on a new line.
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::frequencyBlock(qint16 set)
{
    const QString frequency = textOr(QStringLiteral("F_HFK"), set, QString(), unreadable);
    if (m_gen == 2) {
        const QString logistics = textOr(QStringLiteral("F_LZ"), set, QString(), unreadable);
        const bool showFrequency = frequency.trimmed() != u"-1";
        const bool showLogistics = logistics.trimmed() != u"-1";
        if (!showFrequency && !showLogistics)
            return;
        m_out += nl;
        if (showFrequency) {
            m_out += t(textFrequency);
            m_out += u": ";
            m_out += frequency;
            m_out += nl;
        }
        if (showLogistics) {
            m_out += t(textLogisticsCounter);
            m_out += u": ";
            m_out += logistics;
            m_out += nl;
        }
        return;
    }
    const QString healing = textOr(QStringLiteral("F_HLZ"), set, QString(), unreadable);
    m_out += nl;
    auto counterLine = [this](int label, const QString &value) {
        m_out += t(label);
        m_out += u": ";
        if (value.trimmed() == u"-1") {
            m_out += t(textNotSupported);
        } else {
            // Single digits are set right so that they line up with two-digit counts.
            if (value.size() == 1)
                m_out += u' ';
            m_out += value;
        }
        m_out += nl;
    };
    counterLine(textFrequency, frequency);
    counterLine(textHealingCounter, healing);
}

void FehlerspeicherAusgabe::Report::environmentBlocks(qint16 detailSets)
{
    for (qint16 k = 1; k < detailSets; ++k) {
        if (detailSets > 2) {
            if (m_gen == 2) {
                m_out += nl;
                m_out += QString::number(k);
                m_out += u". ";
                m_out += t(textEnvironment);
            } else {
                m_out += QString::number(k);
                m_out += u". ";
                m_out += t(textEnvironmentSet);
            }
            m_out += nl;
        }
        if (m_gen == 3) {
            QString time;
            if (readText(QStringLiteral("F_UW_ZEIT"), k, QString(), time)) {
                // The time is set right in the value column of the mileage line below.
                m_out += u"   ";
                report::appendPadded(m_out, t(textAbsoluteTime), labelWidth);
                m_out += time.rightJustified(6);
                m_out += u"     ";
                m_out += t(textSeconds);
                m_out += nl;
            }
        }
        environmentLines(k);
    }
}

void FehlerspeicherAusgabe::Report::environmentLines(qint16 set)
{
    QString mileage;
    const bool mileageRead = readText(QStringLiteral("F_UW_KM"), set, QStringLiteral("6L"), mileage);
    if (!mileageRead || mileage.trimmed() != noMileage) {
        m_out += u"   ";
        report::appendPadded(m_out, t(textMileage), labelWidth);
        m_out += mileageRead ? mileage : QStringLiteral("  ????");
        m_out += u"     km";
        m_out += nl;
    }

    qint16 count = 0;
    if (!readInt(QStringLiteral("F_UW_ANZ"), set, count))
        count = 0;
    for (qint16 k = 1; k <= count && k > 0; ++k) {
        const QString unit = textOr(QStringLiteral("F_UW%1_EINH").arg(k), set, QString(), unreadable);
        const QString upper = unit.trimmed().toUpper();
        const bool raw = upper == u"HEX" || upper == u"0-N";
        const qsizetype nameWidth = raw ? 20 : labelWidth;
        QString name;
        if (!readText(QStringLiteral("F_UW%1_TEXT").arg(k), set, raw ? QStringLiteral("-20T") : QStringLiteral("-40T"),
                      name))
            name = report::textAuffuellen(unreadable, nameWidth);
        if (name.trimmed() == u"--")
            continue;
        m_out += u"   ";
        m_out += name;
        if (has(faultmode::value)) {
            QString value;
            m_out += u' ';
            if (readText(QStringLiteral("F_UW%1_WERT").arg(k), set,
                         raw ? QStringLiteral("28T") : QStringLiteral("8.2R"), value))
                m_out += value;
            else
                m_out += raw ? unreadable.rightJustified(28) : QStringLiteral(" ????   ");
        }
        if (has(faultmode::unit)) {
            m_out += u"  ";
            m_out += unit;
        }
        m_out += nl;
    }
}

void FehlerspeicherAusgabe::Report::appendStateText(const QString &name, qint16 set)
{
    const QString text = textOr(name, set, QString(), unreadable);
    if (text == u"--")
        return;
    m_out += u"   ";
    m_out += text;
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::stateTextBlock(qint16 set)
{
    m_out += nl;
    if (m_gen == 2)
        appendStateText(QStringLiteral("F_SYMPTOM_TEXT"), set);
    appendStateText(QStringLiteral("F_READY_TEXT"), set);
    appendStateText(QStringLiteral("F_VORHANDEN_TEXT"), set);
    appendStateText(QStringLiteral("F_WARNUNG_TEXT"), set);
    if (m_gen != 3)
        return;
    m_out += u"   ";
    qint16 event = 0;
    if (!readInt(QStringLiteral("F_EREIGNIS_DTC"), set, event)) {
        m_out += unreadable;
    } else if (event == 1) {
        m_out += t(textEventDtc);
        m_out += nl;
        m_out += u"   ";
        m_out += t(textEventDtcExample);
    } else if (event == 0) {
        m_out += t(textNoEventDtc);
    } else {
        m_out += t(textEventDtcInvalid);
    }
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::faultTypeBlock(qint16 set)
{
    qint16 count = 0;
    if (!readInt(QStringLiteral("F_ART_ANZ"), set, count))
        count = 0;
    for (qint16 k = 1; k <= count && k > 0; ++k)
        appendStateText(QStringLiteral("F_ART%1_TEXT").arg(k), set);
}

void FehlerspeicherAusgabe::Report::hexCodeBlock(qint16 set)
{
    m_out += nl;
    m_out += t(textFaultCode);
    QByteArray code;
    if (readBinary(QStringLiteral("F_HEX_CODE"), set, code) && !code.isEmpty()) {
        m_out += u':';
        m_out += byteColumns(code);
    } else {
        m_out += u": ????";
    }
    m_out += nl;
}

void FehlerspeicherAusgabe::Report::overflowBox()
{
    const bool info = m_job == u"is_lesen";
    m_out += nl;
    m_out += repeated(u'+', overflowWidth);
    m_out += nl;
    m_out += repeated(u'+', 24);
    m_out += t(info ? textInfoOverflow : textFaultOverflow);
    m_out += repeated(u'+', info ? 23 : 21);
    m_out += nl;
    m_out += repeated(u'+', overflowWidth);
    m_out += nl;
}

FehlerspeicherAusgabe::FehlerspeicherAusgabe(VedamisApi &api, const TextCatalogue &texts, const Clock &clock)
    : m_api(api), m_texts(texts), m_clock(clock)
{
}

bool FehlerspeicherAusgabe::appliesTo(const QString &job, int zemoFsMode)
{
    if ((zemoFsMode & faultmode::zemo) == 0)
        return false;
    return job == u"fs_lesen" || job == u"is_lesen" || job == u"hs_lesen";
}

QString FehlerspeicherAusgabe::byteColumns(const QByteArray &bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3 + (bytes.size() / 16 + 1) * 15);
    for (qsizetype j = 0; j < bytes.size(); ++j) {
        const auto value = static_cast<unsigned char>(bytes.at(j));
        out += u' ';
        out += QChar(char16_t(digits[value >> 4]));
        out += QChar(char16_t(digits[value & 0x0F]));
        if (j % 16 == 7)
            out += u"  ";
        if (j % 16 == 15 && j + 1 < bytes.size()) {
            out += nl;
            out += repeated(u' ', indentWidth);
        }
    }
    return out;
}

QString FehlerspeicherAusgabe::build(const QString &sgbd, const QString &job, int zemoFsMode)
{
    m_errorCode = 0;
    // A first run tells which layout the job's answers follow.
    m_api.apiJob(sgbd, job, QString(), QString());
    qint16 version = 0;
    m_generation = 1;
    if (m_api.apiResultInt(version, QStringLiteral("F_VERSION"), 1)) {
        if (version == 3)
            m_generation = 3;
        else if (version == 2)
            m_generation = 2;
    }

    QString revision;
    if (m_generation == 3) {
        m_api.apiJob(sgbd, QStringLiteral("INFO"), QString(), QString());
        if (!m_api.apiResultText(revision, QStringLiteral("REVISION"), 1, QString()))
            revision = QStringLiteral("?.??");
    }

    Report report(*this, sgbd, job, zemoFsMode, m_generation);
    return report.build(revision);
}

} // namespace kitbox
