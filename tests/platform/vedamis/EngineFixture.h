#pragma once
// A temporary ECU, simulation and trace directory, description sources
// compiled in-process, and one session opened on them through the C API.
#include <vedamis/vedamis.h>

#include <gtest/gtest.h>

#include <string>

namespace enginetest {

std::string makeTempDir();
void writeText(const std::string &path, const std::string &text);
std::string readText(const std::string &path);
// A file below tests/data/platform of the source tree.
std::string dataText(const std::string &relative);
bool exists(const std::string &path);
// Session reads by handle, "<error N>" when the engine refuses.
std::string configOf(int32_t handle, const char *name);
std::string errorTextOf(int32_t handle);
// Compiles description source into dir/fileName (.prg or .grp).
void compileInto(const std::string &dir, const std::string &fileName, const std::string &source);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens m_handle with the directories of this test plus extra settings.
    bool openSession(const std::string &extraSettings = {});
    void closeSession();

    void compile(const std::string &fileName, const std::string &source) { compileInto(m_ecu, fileName, source); }
    void writeSim(const std::string &fileName, const std::string &text) { writeText(m_sim + "/" + fileName, text); }

    // Runs a job and returns the error code.
    int16_t run(const std::string &description, const std::string &job, const std::string &arguments = {});
    int16_t runData(const std::string &description, const std::string &job, const std::string &data);
    int16_t sets();
    std::string text(const char *name, int16_t set, const char *format = "");
    // Expects each named result of `set` to read as the given text.
    void expectTexts(int16_t set, std::initializer_list<std::pair<const char *, std::string>> expected);
    std::string errorText() { return errorTextOf(m_handle); }
    std::string config(const char *name) { return configOf(m_handle, name); }
    bool setConfig(const char *name, const std::string &value) { return apiVBSetConfig(m_handle, name, value.c_str()); }

    std::string m_root, m_ecu, m_sim, m_trace;
    int32_t m_handle = 0;
    bool m_open = false;
};

} // namespace enginetest
