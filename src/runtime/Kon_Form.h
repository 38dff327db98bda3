#pragma once
// The runtime configuration window: the runtime's paths and versions, and six
// options switched straight at the runtime. It shows what the runtime
// accepted, read anew at every activation and after every change.
#include "runtime/RuntimeConfiguration.h"

#include <QMdiSubWindow>

#include <array>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLineEdit;
class QRadioButton;
class Settings;
class TextCatalogue;

namespace kitbox {

class Kon_Form : public QMdiSubWindow {
    Q_OBJECT
public:
    Kon_Form(RuntimeSession &runtime, Settings &settings, const TextCatalogue &texts, QWidget *parent = nullptr);
    ~Kon_Form() override;

    // Captions and the stored position.
    void load();
    // Reads the runtime's values into the controls (no option is sent).
    void readValues();
    void storePlacement();

    QLineEdit *erg(int i) const { return m_erg[size_t(i)]; }
    QCheckBox *flag(int i) const { return m_flag[size_t(i)]; }
    QRadioButton *levelButton(int k) const { return m_level[size_t(k)]; }
    QFrame *levelFrame() const { return m_levelFrame; }

    // The user's click on an option box or a level button.
    void flagClicked(int option);

signals:
    void simulationSwitched();
    void traceSwitched();
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showOption(int option, const OptionState &state);
    int selectedLevel() const;

    RuntimeConfiguration m_configuration;
    Settings &m_settings;
    const TextCatalogue &m_texts;
    std::array<QLineEdit *, 8> m_erg{};
    std::array<QCheckBox *, 6> m_flag{};
    std::array<QRadioButton *, 3> m_level{};
    QButtonGroup *m_levelGroup = nullptr;
    QFrame *m_levelFrame = nullptr;
};

} // namespace kitbox
