// libFuzzer target for the UDS assistants, the result preview and the UDS
// function-table check: tables
// from the input (any cells, ragged rows, counts that disagree with the
// cells) go through every list, grid, value check, composition and preview.
// Besides "no crash" it checks that a composed argument starts with its
// column selector, that the status list is never empty and that the check's
// report is framed by its start and end lines.
//
// Input: records separated by 0x01. The first byte of a record picks the
// table (SG_FUNKTIONEN, ARG_A, RES_A, BF_A, TAB_A), the second its column
// count, the third how many rows it claims; the rest are cells ended by NUL.
// The last record is the argument text handed to the assistants.
#include "catalogue/JobCatalogue.h"
#include "shell/TextCatalogue.h"
#include "uds/ControlAssistant.h"
#include "uds/StatusReadAssistant.h"
#include "uds/UdsCheck.h"
#include "uds/UdsResultPreview.h"

#include <QByteArrayList>

#include <cstddef>
#include <cstdint>

namespace {

const char *const kNames[] = {"SG_FUNKTIONEN", "ARG_A", "RES_A", "BF_A", "TAB_A"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TextCatalogue texts;
    static const bool loaded = texts.loadBuiltIn().ok();
    if (!loaded)
        __builtin_trap();

    const QByteArrayList records = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\x01');
    kitbox::JobCatalogue catalogue;
    catalogue.tableAreas.append(QByteArray());
    for (qsizetype r = 0; r + 1 < records.size() && r < 16; ++r) {
        const QByteArray &record = records.at(r);
        if (record.size() < 3)
            continue;
        kitbox::TableDescription table;
        table.name = QString::fromLatin1(kNames[uint8_t(record.at(0)) % 5]);
        table.baseName = uint8_t(record.at(0)) >= 128 ? QStringLiteral("base") : QString();
        table.columnCount = 1 + uint8_t(record.at(1)) % 16;
        table.rowCount = uint8_t(record.at(2));
        QByteArray cells = record.mid(3);
        for (char &c : cells)
            c = char(c ^ 0x6B);
        table.area = 0;
        table.areaOffset = catalogue.tableAreas[0].size();
        table.start = qint32(table.areaOffset);
        table.length = qint32(cells.size());
        catalogue.tableAreas[0] += cells;
        catalogue.tables.append(table);
    }
    const QString argument = QString::fromUtf8(records.last());

    kitbox::StatusReadAssistant status(catalogue);
    for (int column = 0; column < 3; ++column) {
        status.setInfo(column == 1);
        status.preselect(argument);
        status.setColumn(column);
        if (status.entries().isEmpty())
            __builtin_trap();
        status.setSelected(0, true);
        if (!status.compose().startsWith(status.selector()))
            __builtin_trap();
    }
    for (const char *service : {"2E", "2F", "31"}) {
        kitbox::ControlAssistant control(catalogue, texts, QString::fromLatin1(service));
        control.open(argument);
        if (control.statusEntries().isEmpty())
            __builtin_trap();
        for (int i = 0; i < kitbox::ControlAssistant::maxValues; ++i) {
            control.fillValue(i, argument.section(u';', i, i));
            control.chooseValue(i, i);
        }
        (void)control.firstInvalidValue();
        (void)control.infoString();
        const kitbox::ControlAssistant::Composed composed = control.compose();
        if (composed.ok && !composed.text.startsWith(control.selector()))
            __builtin_trap();
        for (int p = 0; p < 4; ++p)
            control.setParameter(p);
    }
    for (const char *job : {"STATUS_LESEN", "STEUERN", "STEUERN_IO", "STEUERN_ROUTINE"})
        (void)kitbox::UdsResultPreview::lines(catalogue, QString::fromLatin1(job), argument);
    const kitbox::UdsCheckReport report = kitbox::UdsCheck(catalogue, texts).run(QStringLiteral("D_FUZZ"));
    if (!report.text.contains(QStringLiteral("D_FUZZ: ")) || !report.text.endsWith(QStringLiteral("\r\n")) ||
        report.findings < 0)
        __builtin_trap();
    return 0;
}
