#pragma once

#include "Pane.h"
#include "PrefsContext.h"

#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace tavolin {

// Appearance pane: icons in the palette's input row, the number of visible rows, themes.
class AppearanceController : public Pane
{
    Q_OBJECT
public:
    // The pop-up offers kFirstListNumber .. kLastListNumber rows; item i means i + 5 rows.
    static constexpr int kFirstListNumber = 5;
    static constexpr int kLastListNumber = 20;

    explicit AppearanceController(PrefsContext &context, QWidget *parent = nullptr);

    void loadSettings() override;

    QCheckBox *showAppIconButton() const { return m_showAppIcon; }
    QCheckBox *showOptionIconButton() const { return m_showOptionIcon; }
    QComboBox *itemNumberButton() const { return m_itemNumber; }
    QPushButton *changeThemeButton() const { return m_changeTheme; }

    // Pop-up index for a stored "listNumber" (absent: 7); -1 when the value has no item.
    static int indexForListNumber(std::optional<qint64> stored);

    void onShowAppButtonChanged();
    void onShowOptionButtonChanged();
    void onListNumberButtonChanged(int index);
    void onClickChangeThemeButton();
    void onClickInstallThemeButton();

private:
    PrefsContext &m_context;
    QCheckBox *m_showAppIcon;
    QCheckBox *m_showOptionIcon;
    QComboBox *m_itemNumber;
    QPushButton *m_changeTheme;
    QPushButton *m_installTheme;
};

} // namespace tavolin
