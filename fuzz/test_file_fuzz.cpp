// libFuzzer target for reading test files: the first input byte says whether
// the rest is the end of an oversized file, the rest are the file's bytes.
// Besides "no crash", the matrix read must be written and read back to the
// same matrix, and every step must give its run fields.
#include "shell/TextCatalogue.h"
#include "testmatrix/TestFile.h"
#include "testmatrix/TestMatrix.h"
#include "testmatrix/TestRun.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool truncated = (data[0] & 1) != 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QString text = kitbox::testFileText(bytes, truncated, TextCatalogue::shared());

    kitbox::TestMatrix matrix;
    matrix.paste(text);
    matrix.initialise();
    kitbox::TestMatrix again;
    again.paste(matrix.serialise());
    if (!(again == matrix))
        __builtin_trap();
    for (int row = 0; row < kitbox::TestMatrix::rowCount; ++row) {
        const kitbox::TestStep step = kitbox::TestStep::fromRow(matrix, row);
        (void)step.isPause();
        (void)kitbox::TestRun::leadingNumber(step.yesStep);
        (void)kitbox::TestRun::leadingNumber(step.noStep);
    }
    return 0;
}
