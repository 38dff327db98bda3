#pragma once
// Error codes of the engine and their base texts. The codes are the ones the
// C header publishes; the texts are the start of every error text, followed
// by the detail of the case (": detail").
#include <vedamis/vedamis.h>

#include <cstdint>
#include <string>

namespace vedamis {

struct Error {
    int16_t code = VEDAMIS_ERR_NONE;
    std::string text;

    bool failed() const { return code != VEDAMIS_ERR_NONE; }
};

// Fixed text of a code; "job error" for codes chosen by scripts, "unknown error" otherwise.
const char *baseErrorText(int code);
// "base text: detail" (just the base text when detail is empty).
Error makeError(int16_t code, const std::string &detail = {});

} // namespace vedamis
