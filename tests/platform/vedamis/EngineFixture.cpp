#include "EngineFixture.h"

#include <prg/Prg.h>
#include <vedamis/DescriptionSource.h>
#include <vedamis/LuaSandbox.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace enginetest {

std::string makeTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vedamis-test-XXXXXX").string();
    char *made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    return pattern;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::string dataText(const std::string &relative)
{
    const std::string path = std::string(KITBOX_SOURCE_DIR) + "/tests/data/platform/" + relative;
    EXPECT_TRUE(exists(path)) << path;
    return readText(path);
}

bool exists(const std::string &path)
{
    return std::filesystem::exists(path);
}

void compileInto(const std::string &dir, const std::string &fileName, const std::string &source)
{
    vedamis::LuaSandbox sandbox;
    auto model = vedamis::evaluateSource(sandbox, source, fileName);
    ASSERT_TRUE(model.ok()) << model.error();
    auto written = prg::writeFile(dir + "/" + fileName, vedamis::toDescription(model.value(), source));
    ASSERT_TRUE(written.ok()) << written.error();
}

void EngineTest::SetUp()
{
    m_root = makeTempDir();
    m_ecu = m_root + "/ecu";
    m_sim = m_root + "/sim";
    m_trace = m_root + "/trace";
    std::filesystem::create_directories(m_ecu);
    std::filesystem::create_directories(m_sim);
    ASSERT_TRUE(openSession()) << errorText();
}

void EngineTest::TearDown()
{
    closeSession();
    std::filesystem::remove_all(m_root);
}

bool EngineTest::openSession(const std::string &extraSettings)
{
    const std::string settings =
        "EcuPath=" + m_ecu + ";SimulationPath=" + m_sim + ";TracePath=" + m_trace + ";" + extraSettings;
    m_open = true;
    return apiVBInitExt(&m_handle, "", "", "", settings.c_str()) != 0;
}

void EngineTest::closeSession()
{
    if (m_open)
        apiVBEnd(m_handle);
    m_open = false;
}

int16_t EngineTest::run(const std::string &description, const std::string &job, const std::string &arguments)
{
    apiVBJob(m_handle, description.c_str(), job.c_str(), arguments.c_str(), "");
    return apiVBErrorCode(m_handle);
}

int16_t EngineTest::runData(const std::string &description, const std::string &job, const std::string &data)
{
    apiVB4JobData(m_handle, description.c_str(), job.c_str(), reinterpret_cast<const unsigned char *>(data.data()),
                  static_cast<int32_t>(data.size()), "");
    return apiVBErrorCode(m_handle);
}

int16_t EngineTest::sets()
{
    int16_t count = -1;
    if (!apiVBResultSets(m_handle, &count))
        return -1;
    return count;
}

std::string EngineTest::text(const char *name, int16_t set, const char *format)
{
    char buffer[VEDAMIS_TEXT_BUFFER];
    int32_t length = -1;
    if (!apiVB4ResultText(m_handle, buffer, &length, name, set, format))
        return "<error " + std::to_string(apiVBErrorCode(m_handle)) + ">";
    EXPECT_EQ(static_cast<size_t>(length), std::string(buffer).size());
    return std::string(buffer, static_cast<size_t>(length));
}

void EngineTest::expectTexts(int16_t set, std::initializer_list<std::pair<const char *, std::string>> expected)
{
    for (const auto &[name, value] : expected)
        EXPECT_EQ(text(name, set), value) << name << " in set " << set;
}

std::string errorTextOf(int32_t handle)
{
    char buffer[VEDAMIS_ERROR_BUFFER];
    int32_t length = 0;
    apiVB4ErrorText(handle, buffer, &length);
    return std::string(buffer, static_cast<size_t>(length));
}

std::string configOf(int32_t handle, const char *name)
{
    char buffer[VEDAMIS_CONFIG_BUFFER];
    int32_t length = 0;
    if (!apiVB4GetConfig(handle, name, buffer, &length))
        return "<error " + std::to_string(apiVBErrorCode(handle)) + ">";
    return std::string(buffer, static_cast<size_t>(length));
}

} // namespace enginetest
