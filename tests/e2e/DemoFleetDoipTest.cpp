// The demo fleet over the DOIP interface, served by the ECU simulator on
// loopback: every kept report comes out as under SIMULATION, and the capture
// of that traffic is checked by an independent decoder (tshark) when the
// machine has it.
#include "DemoSession.h"

#include <EcuSim.h>

#include <cstdio>
#include <sstream>

namespace {

using e2e::DemoSession;

std::string runCommand(const std::string &command)
{
    std::string out;
    if (std::FILE *pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace

TEST(DemoFleetDoip, ReportsMatchTheSimulationAndTheCaptureDecodes)
{
    ecusim::Options options;
    options.port = 0;
    options.ecuPath = (e2e::dataDir / "ecu").string();
    options.simPath = (e2e::dataDir / "sim").string();
    options.ecus = {"D_MOTOR", "D_MOTOR2", "D_BASIS", "D_GRUPPE", "D_ALT", "D_PRUEF"};
    ecusim::Simulator simulator(options);
    ASSERT_TRUE(simulator.load());
    ASSERT_TRUE(simulator.start());

    e2e::TempDir dir;
    const std::string capture = (dir.path() / "link.pcap").string();
    const auto kept = e2e::keptReports();
    ASSERT_FALSE(kept.empty());
    {
        DemoSession s;
        s.setConfig("Simulation", "0");
        s.setConfig("Interface", "DOIP");
        s.setConfig("DoipPort", std::to_string(simulator.port()));
        s.setConfig("PcapFile", capture);
        s.setConfig("TracePath", dir.path().string());
        s.setConfig("IfhTrace", "1");
        for (const auto &[header, report] : kept) {
            ASSERT_TRUE(s.job(header).has_value()) << header << ": " << s.errorText();
            EXPECT_EQ(s.report(), report) << header;
        }
        s.setConfig("IfhTrace", "0");
    }
    // Closed with the session and renamed into place: nothing else is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "the capture and IFH.TRC only";
    ASSERT_TRUE(std::filesystem::exists(capture));

    // The request service IDs in the order the trace shows them.
    std::vector<std::string> requested;
    std::istringstream trace(e2e::readFile(dir.path() / "IFH.TRC"));
    for (std::string line; std::getline(trace, line);) {
        const size_t at = line.find(" REQ ");
        if (at != std::string::npos)
            requested.push_back("0x" + line.substr(at + 5, 2));
    }
    ASSERT_GT(requested.size(), 20u);

    if (std::system("command -v tshark >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh installs it): capture not decoded";
    const std::string port = std::to_string(simulator.port());
    const std::string output = runCommand(
        "tshark -r '" + capture + "' -d tcp.port==" + port + ",doip -T fields -E separator=/t" +
        " -e tcp.len -e doip.type -e doip.source_address -e doip.target_address -e uds.sid -e _ws.malformed" +
        " 2>/dev/null");
    std::istringstream lines(output);
    std::vector<std::string> sentSids;
    size_t frames = 0;
    for (std::string line; std::getline(lines, line);) {
        ++frames;
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        f.resize(6);
        EXPECT_TRUE(f[5].empty()) << "malformed frame " << frames << ": " << line;
        if (f[0].empty() || f[0] == "0")
            continue; // handshake and close
        EXPECT_FALSE(f[1].empty()) << "frame " << frames << " does not decode as DoIP: " << line;
        const std::string &type = f[1];
        EXPECT_TRUE(type == "0x0005" || type == "0x0006" || type == "0x8001" || type == "0x8002")
            << "frame " << frames << ": " << line;
        if (type == "0x8001" && f[2] == "0x0e00") {
            EXPECT_TRUE(f[3].size() == 6 && f[3].rfind("0x001", 0) == 0 && f[3][5] >= '0' && f[3][5] <= '5')
                << "frame " << frames << ": " << line;
            sentSids.push_back(f[4]);
        }
    }
    EXPECT_GT(frames, requested.size() * 3);
    // tshark writes the service ID in lower case.
    for (std::string &sid : requested)
        std::transform(sid.begin(), sid.end(), sid.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(sentSids, requested);
}
