#pragma once
// A temporary ECU, simulation and trace directory, description sources
// compiled in-process, and one session opened on them through the C API.
#include "../prg/DescriptionSamples.h"

#include <prg/Prg.h>
#include <vedamis/DescriptionSource.h>
#include <vedamis/LuaSandbox.h>
#include <vedamis/vedamis.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace enginetest {

using kitbox::testing::dataText;
using kitbox::testing::put32;
using kitbox::testing::readAll;
using kitbox::testing::TempDir;
using kitbox::testing::writeRaw;
using std::filesystem::exists;

// Session reads by handle, "<error N>" when the engine refuses.
inline std::string errorTextOf(int32_t handle)
{
    char buffer[VEDAMIS_ERROR_BUFFER];
    int32_t length = 0;
    apiVB4ErrorText(handle, buffer, &length);
    return std::string(buffer, static_cast<size_t>(length));
}

inline std::string configOf(int32_t handle, const char *name)
{
    char buffer[VEDAMIS_CONFIG_BUFFER];
    int32_t length = 0;
    if (!apiVB4GetConfig(handle, name, buffer, &length))
        return "<error " + std::to_string(apiVBErrorCode(handle)) + ">";
    return std::string(buffer, static_cast<size_t>(length));
}

// Compiles description source into dir/fileName (.prg or .grp).
inline void compileInto(const std::string &dir, const std::string &fileName, const std::string &source)
{
    vedamis::LuaSandbox sandbox;
    auto model = vedamis::evaluateSource(sandbox, source, fileName);
    ASSERT_TRUE(model.ok()) << model.error();
    auto written = prg::writeFile(dir + "/" + fileName, vedamis::toDescription(model.value(), source));
    ASSERT_TRUE(written.ok()) << written.error();
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_ecu);
        std::filesystem::create_directories(m_sim);
        ASSERT_TRUE(openSession()) << errorText();
    }
    void TearDown() override { closeSession(); }

    // Opens m_handle with the directories of this test plus extra settings.
    bool openSession(const std::string &extraSettings = {})
    {
        const std::string settings =
            "EcuPath=" + m_ecu + ";SimulationPath=" + m_sim + ";TracePath=" + m_trace + ";" + extraSettings;
        m_open = true;
        return apiVBInitExt(&m_handle, "", "", "", settings.c_str()) != 0;
    }
    void closeSession()
    {
        if (m_open)
            apiVBEnd(m_handle);
        m_open = false;
    }

    void compile(const std::string &fileName, const std::string &source) { compileInto(m_ecu, fileName, source); }
    void writeSim(const std::string &fileName, const std::string &text) { writeRaw(m_sim + "/" + fileName, text); }
    // Forgets every loaded description, so that a file rewritten with the same size and time is read again.
    void unloadAll() { apiVBJob(m_handle, "$$$$$$$$", "$$$$$$$$", "", ""); }

    // Runs a job and returns the error code.
    int16_t run(const std::string &description, const std::string &job, const std::string &arguments = {})
    {
        apiVBJob(m_handle, description.c_str(), job.c_str(), arguments.c_str(), "");
        return apiVBErrorCode(m_handle);
    }
    int16_t runData(const std::string &description, const std::string &job, const std::string &data)
    {
        apiVB4JobData(m_handle, description.c_str(), job.c_str(), reinterpret_cast<const unsigned char *>(data.data()),
                      static_cast<int32_t>(data.size()), "");
        return apiVBErrorCode(m_handle);
    }
    int16_t sets()
    {
        int16_t count = -1;
        return apiVBResultSets(m_handle, &count) ? count : -1;
    }
    std::string text(const char *name, int16_t set, const char *format = "")
    {
        char buffer[VEDAMIS_TEXT_BUFFER];
        int32_t length = -1;
        if (!apiVB4ResultText(m_handle, buffer, &length, name, set, format))
            return "<error " + std::to_string(apiVBErrorCode(m_handle)) + ">";
        EXPECT_EQ(static_cast<size_t>(length), std::string(buffer).size());
        return std::string(buffer, static_cast<size_t>(length));
    }
    // Expects each named result of `set` to read as the given text.
    void expectTexts(int16_t set, std::initializer_list<std::pair<const char *, std::string>> expected)
    {
        for (const auto &[name, value] : expected)
            EXPECT_EQ(text(name, set), value) << name << " in set " << set;
    }
    // Runs the job ASK of `description` (it sends the argument's bytes) and gives the answer or "<error N>".
    std::string ask(const std::string &description, const std::string &request)
    {
        const int16_t code = run(description, "ASK", request);
        return code == 0 ? text("R", 1) : "<error " + std::to_string(code) + ">";
    }
    std::string errorText() { return errorTextOf(m_handle); }
    std::string config(const char *name) { return configOf(m_handle, name); }
    bool setConfig(const char *name, const std::string &value) { return apiVBSetConfig(m_handle, name, value.c_str()); }

    TempDir m_dir;
    std::string m_root = m_dir.path.string(), m_ecu = m_root + "/ecu", m_sim = m_root + "/sim",
                m_trace = m_root + "/trace";
    int32_t m_handle = 0;
    bool m_open = false;
};

} // namespace enginetest
