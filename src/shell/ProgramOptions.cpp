#include "shell/ProgramOptions.h"

namespace kitbox {

namespace {

// Boxes that only refine the details of a fault entry.
constexpr std::array<int, 6> detailOnly{1, 3, 4, 5, 9, 10};
constexpr int detailFlag = 11;
constexpr int umweltFlag = 1;
constexpr int wertFlag = 3;
constexpr int einheitFlag = 4;

} // namespace

const std::array<OptionBoxInfo, 12> &ProgramOptions::boxes()
{
    static const std::array<OptionBoxInfo, 12> list{{
        {OptionBox::Toolbar, "ToolbarFlag", 309, ""},
        {OptionBox::Kopfzeile, "KopfzeileFlag", 310, ""},
        {OptionBox::Hinweiszeile, "HinweiszeileFlag", 311, ""},
        {OptionBox::AusgabeSortiert, "AusgabeSortiertFlag", 312, ""},
        {OptionBox::JobInfo, "JobInfoFlag", 313, ""},
        {OptionBox::ArgInfo, "ArgInfoFlag", 314, ""},
        {OptionBox::ResInfo, "ResInfoFlag", 315, ""},
        {OptionBox::TabInfo, "TabInfoFlag", 316, ""},
        {OptionBox::UdsEinh, "UDS_EINH", 0, "_EINH"},
        {OptionBox::UdsInfo, "UDS_INFO", 0, "_INFO"},
        {OptionBox::UdsText, "UDS_TEXT", 0, "_TEXT"},
        {OptionBox::Language, "Language", 22, ""},
    }};
    return list;
}

bool ProgramOptions::isSet(const ShellOptions &o, OptionBox box)
{
    switch (box) {
    case OptionBox::Toolbar:
        return o.toolbar != 0;
    case OptionBox::Kopfzeile:
        return o.kopfzeile != 0;
    case OptionBox::Hinweiszeile:
        return o.hinweiszeile != 0;
    case OptionBox::AusgabeSortiert:
        return o.ausgabeSortiert != 0;
    case OptionBox::JobInfo:
        return o.jobInfo != 0;
    case OptionBox::ArgInfo:
        return o.argInfo != 0;
    case OptionBox::ResInfo:
        return o.resInfo != 0;
    case OptionBox::TabInfo:
        return o.tabInfo != 0;
    case OptionBox::UdsEinh:
        return o.udsEinh;
    case OptionBox::UdsInfo:
        return o.udsInfo;
    case OptionBox::UdsText:
        return o.udsText;
    case OptionBox::Language:
        return o.english();
    }
    return false;
}

OptionEffect ProgramOptions::set(ShellOptions &o, OptionBox box, bool checked)
{
    const int flag = checked ? -1 : 0;
    switch (box) {
    case OptionBox::Toolbar:
        o.toolbar = flag;
        return OptionEffect::Panels;
    case OptionBox::Kopfzeile:
        o.kopfzeile = flag;
        return OptionEffect::Panels;
    case OptionBox::Hinweiszeile:
        o.hinweiszeile = flag;
        return OptionEffect::Panels;
    case OptionBox::AusgabeSortiert:
        o.ausgabeSortiert = flag;
        return OptionEffect::None;
    case OptionBox::JobInfo:
        o.jobInfo = flag;
        return OptionEffect::Details;
    case OptionBox::ArgInfo:
        o.argInfo = flag;
        return OptionEffect::Details;
    case OptionBox::ResInfo:
        o.resInfo = flag;
        return OptionEffect::Details;
    case OptionBox::TabInfo:
        o.tabInfo = flag;
        return OptionEffect::Details;
    case OptionBox::UdsEinh:
        o.udsEinh = checked;
        return OptionEffect::None;
    case OptionBox::UdsInfo:
        o.udsInfo = checked;
        return OptionEffect::None;
    case OptionBox::UdsText:
        o.udsText = checked;
        return OptionEffect::None;
    case OptionBox::Language:
        o.language = checked ? QStringLiteral("E") : QStringLiteral("D");
        return OptionEffect::Language;
    }
    return OptionEffect::None;
}

const std::array<int, 10> &FaultMemoryBoxes::indices()
{
    static const std::array<int, 10> list{0, 1, 2, 3, 4, 5, 6, 9, 10, 11};
    return list;
}

int FaultMemoryBoxes::captionText(int k)
{
    switch (k) {
    case 0:
        return 318;
    case 1:
        return 321;
    case 2:
        return 320;
    case 3:
        return 322;
    case 4:
        return 323;
    case 5:
        return 319;
    case 6:
        return 324;
    default:
        return 0;
    }
}

QString FaultMemoryBoxes::fixedCaption(int k)
{
    switch (k) {
    case 9:
        return QStringLiteral("PCode / SAECode");
    case 10:
        return QStringLiteral("PCode7");
    case 11:
        return QStringLiteral("detail");
    default:
        return QString();
    }
}

FaultMemoryBoxes FaultMemoryBoxes::fromWord(int word)
{
    FaultMemoryBoxes boxes;
    boxes.m_zemo = (word & zemoBit) != 0;
    for (int k : indices())
        boxes.m_flags[size_t(k)] = (word & (1 << k)) != 0;
    return boxes;
}

bool FaultMemoryBoxes::enabled(int k) const
{
    if (!exists(k) || !m_zemo)
        return false;
    if (!m_flags[size_t(detailFlag)])
        for (int d : detailOnly)
            if (d == k)
                return false;
    return true;
}

void FaultMemoryBoxes::clickFlag(int k, bool set)
{
    if (!exists(k))
        return;
    m_flags[size_t(k)] = set;
    // Value and unit belong to the environment condition: the three go together.
    if (k == umweltFlag && !set) {
        m_flags[size_t(wertFlag)] = false;
        m_flags[size_t(einheitFlag)] = false;
    } else if (k == wertFlag || k == einheitFlag) {
        m_flags[size_t(umweltFlag)] = m_flags[size_t(wertFlag)] || m_flags[size_t(einheitFlag)];
    }
}

int FaultMemoryBoxes::word() const
{
    if (!m_zemo)
        return 0;
    int word = zemoBit;
    for (int k : indices())
        if (m_flags[size_t(k)])
            word += 1 << k;
    return word;
}

} // namespace kitbox
