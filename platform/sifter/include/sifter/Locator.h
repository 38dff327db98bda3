#pragma once
// C++ view of the description locator: the same operations as the C entry
// points in sifter.h, returning kitbox::Result with the status text as error.
#include <kitbox/Result.h>
#include <sifter/sifter.h>

#include <cstdint>
#include <string>

namespace sifter {

struct Info {
    int32_t infoOffset = 0;
    int32_t infoLength = 0; // 0: no info block
    int32_t tableAreaEnd = 0;
    int32_t tableCount = 0;
};

struct Table {
    std::string name;
    int32_t start = 0;
    int32_t length = 0; // next table's start (or tableAreaEnd) minus start
    int32_t columnCount = 0;
    int32_t rowCount = 0; // header row not counted
};

// Errors read "<status text>: <detail>". When `status` is given it receives
// the C status value (SIFTER_OK on success).
kitbox::Result<Info> info(const std::string &path, int16_t *status = nullptr);
kitbox::Result<Table> table(const std::string &path, int32_t index, int16_t *status = nullptr);
// Same as SIFTER_CLEAR_CACHE.
void clearCache();

} // namespace sifter
