#pragma once
// The program options window: one check box per option, each bound to its
// setting and effective at once; the window itself only shows and forwards
// (the rules are in ProgramOptions and FaultMemoryBoxes).
#include "shell/ProgramOptions.h"

#include <QMdiSubWindow>

#include <array>

class QCheckBox;
class QGroupBox;
class TextCatalogue;

namespace kitbox {

class Prg_Kon_Form : public QMdiSubWindow {
    Q_OBJECT
public:
    Prg_Kon_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent = nullptr);
    ~Prg_Kon_Form() override;

    // Boxes from the settings, captions, the stored position.
    void load();
    // Captions from the catalogue (again after a language switch).
    void applyTexts();
    void storePlacement();

    QCheckBox *box(OptionBox which) const { return m_boxes[size_t(which)]; }
    QCheckBox *zemoBox() const { return m_zemo; }
    QCheckBox *flag(int k) const { return m_flags[size_t(k)]; }

signals:
    void optionChanged(kitbox::OptionEffect effect);
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void boxClicked(OptionBox which);
    void faultMemoryClicked(int k);
    void showFaultMemory(const FaultMemoryBoxes &boxes);

    Settings &m_settings;
    const TextCatalogue &m_texts;
    std::array<QCheckBox *, 12> m_boxes{};
    QCheckBox *m_zemo = nullptr;
    std::array<QCheckBox *, FaultMemoryBoxes::flagCount> m_flags{};
    QGroupBox *m_udsFrame = nullptr;
    QGroupBox *m_flagFrame = nullptr;
};

} // namespace kitbox
