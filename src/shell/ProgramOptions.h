#pragma once
// The rules of the program options window, apart from the window: which
// setting each box shows and changes, and the option word of the Zemo
// fault-memory report with the dependencies between its boxes.
#include "shell/Settings.h"

#include <QString>

#include <array>
#include <optional>

namespace kitbox {

// The check boxes that switch a display or detail flag of the settings.
enum class OptionBox {
    Toolbar,
    Kopfzeile,
    Hinweiszeile,
    AusgabeSortiert,
    JobInfo,
    ArgInfo,
    ResInfo,
    TabInfo,
    UdsEinh,
    UdsInfo,
    UdsText,
    Language,
};

// What the rest of the program has to do after a box changed its setting.
enum class OptionEffect {
    None,
    Panels,   // the main window's toolbar, header or hint line is shown or hidden
    Details,  // the loaded description's catalogue is gathered again
    Language, // the language is applied to every window
};

struct OptionBoxInfo {
    OptionBox box;
    const char *objectName;
    int captionText; // catalogue id, 0 when the caption is fixed
    const char *fixedCaption;
};

namespace ProgramOptions {

const std::array<OptionBoxInfo, 12> &boxes();
// Whether the setting behind the box shows it set (any non-zero flag, "E" for the language).
bool isSet(const ShellOptions &options, OptionBox box);
// Stores a click: flags become -1 or 0, the UDS switches true or false, the language "E" or "D".
OptionEffect set(ShellOptions &options, OptionBox box, bool checked);

} // namespace ProgramOptions

// The boxes of the Zemo option word: FSLesenZemo (bit 256) and Flag(k) for bit 2^k.
class FaultMemoryBoxes {
public:
    static constexpr int zemoBit = 256;
    static constexpr int flagCount = 12;
    // The k that have a box (7 and 8 have none).
    static const std::array<int, 10> &indices();
    static bool exists(int k) { return k >= 0 && k < flagCount && k != 7 && k != 8; }
    // Catalogue id of Flag(k)'s caption, 0 when the caption is fixed (fixedCaption).
    static int captionText(int k);
    static QString fixedCaption(int k);

    // The boxes as a stored word shows them.
    static FaultMemoryBoxes fromWord(int word);

    bool zemo() const { return m_zemo; }
    bool flag(int k) const { return exists(k) && m_flags[size_t(k)]; }
    // Flag(k) can be clicked only with FSLesenZemo set; without "detail" (11)
    // neither can the boxes that refine a fault entry.
    bool enabled(int k) const;

    void setZemo(bool set) { m_zemo = set; }
    // Sets one box as it is, without the boxes that follow a click.
    void setFlag(int k, bool set)
    {
        if (exists(k))
            m_flags[size_t(k)] = set;
    }
    // A click on Flag(k), with the boxes that follow it.
    void clickFlag(int k, bool set);

    // 256 when FSLesenZemo is set plus 2^k of every set box; 0 without FSLesenZemo.
    int word() const;

private:
    bool m_zemo = false;
    std::array<bool, flagCount> m_flags{};
};

} // namespace kitbox
