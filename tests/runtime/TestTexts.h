#pragma once
// The program's text catalogue in the language a test asks for.
#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

inline TextCatalogue loadTexts(const char *language = "D")
{
    TextCatalogue texts;
    const kitbox::Status loaded = texts.loadBuiltIn();
    EXPECT_TRUE(loaded.ok()) << loaded.error();
    texts.selectLanguage(QString::fromLatin1(language));
    return texts;
}
