#include "LargeDescription.h"

#include <cstdio>

namespace bench {

std::string largeJobName(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "JOB_%05d", number);
    return name;
}

prg::Description makeLargeDescription(const LargeDescriptionOptions &options)
{
    prg::Description d;
    std::string &info = d.infoBlock;
    info += "ECU:" + options.ecuName + "\n";
    info += "ORIGIN:Kitbox32 benchmark\nREVISION:1.00\nAUTHOR:bench_foundation\n";
    info += "ECUCOMMENT:Generated description with " + std::to_string(options.jobs) + " jobs and " +
            std::to_string(options.tables) + " tables\n";

    std::string &script = d.script;
    script += "ecu {\n  name = \"" + options.ecuName + "\",\n  origin = \"Kitbox32 benchmark\",\n";
    script += "  revision = \"1.00\",\n  author = \"bench_foundation\",\n";
    script += "  comment = { \"Generated description\" },\n}\n\n";

    for (int i = 1; i <= options.jobs; ++i) {
        const std::string name = largeJobName(i);
        const std::string number = std::to_string(i);
        info += "JOBNAME:" + name + "\n";
        info += "JOBCOMMENT:Benchmark job " + number + ": returns the constant 1\n";
        info += "JOBCOMMENT:second comment line of job " + number + "\n";
        info += "ARG:MODUS\nARGTYPE:string\nARGCOMMENT:optional mode, ignored\n";
        info += "RESULT:R\nRESULTTYPE:int\nRESULTCOMMENT:always 1\n";

        script += "job \"" + name + "\" {\n";
        script += "  comment = { \"Benchmark job " + number +
                  ": returns the constant 1\", \"second comment line of job " + number + "\" },\n";
        script += "  args = { { name = \"MODUS\", type = \"string\", comment = \"optional mode, ignored\" } },\n";
        script += "  results = { { name = \"R\", type = \"int\", comment = \"always 1\" } },\n";
        script += "  run = function() result(\"R\", \"int\", 1) end,\n}\n";
    }

    // Tables fill what the info block and the source leave of the minimum size.
    const uint64_t fixed =
        prg::kHeaderSize + uint64_t(options.tables) * prg::kDirectoryEntrySize + info.size() + script.size();
    const uint64_t wanted = options.minimumBytes > fixed ? options.minimumBytes - fixed : 0;
    const uint64_t perTable = options.tables > 0 ? wanted / uint64_t(options.tables) + 1 : 0;
    d.tables.reserve(static_cast<size_t>(options.tables));
    for (int t = 0; t < options.tables; ++t) {
        char name[16];
        std::snprintf(name, sizeof name, "TAB_%04d", t);
        prg::Table table;
        table.name = name;
        table.columns = 4;
        table.cells = {"NR", "NAME", "WERT", "TEXT"};
        uint64_t bytes = 0;
        for (uint32_t row = 0; bytes < perTable; ++row) {
            const std::string r = std::to_string(row);
            table.cells.push_back(r);
            table.cells.push_back(std::string(name) + "_EINTRAG_" + r);
            table.cells.push_back("0x" + std::to_string(1000 + row));
            table.cells.push_back("Beschreibung von Zeile " + r + "; mit \"Zeichen\" aller Art");
            for (size_t c = table.cells.size() - 4; c < table.cells.size(); ++c)
                bytes += table.cells[c].size() + 1;
            table.rows = row + 1;
        }
        d.tables.push_back(std::move(table));
    }
    return d;
}

kitbox::Status writeLargeDescription(const std::string &path, const LargeDescriptionOptions &options)
{
    return prg::writeFile(path, makeLargeDescription(options));
}

} // namespace bench
