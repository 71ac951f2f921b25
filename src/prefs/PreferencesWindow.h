#pragma once

#include "PrefsContext.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <array>

class QButtonGroup;
class QCloseEvent;
class QToolButton;
class QVBoxLayout;

namespace tavolin {

class AboutController;
class AppearanceController;
class AppRulesController;
class ExtensionController;
class GeneralController;
class MenuRulesController;
class PalettePane;
class PaletteViewController;

// The preferences window: a row of four pane buttons (General, Appearance, Palette, About) above the
// pane they select. The palette pane is a tab view whose last tab is the extensions pane. Switching panes
// resizes the window to the pane while its top-left corner stays where it is. Ctrl+W closes the window and
// Ctrl+Q quits the program.
//
// URLs ("tavolin-preferences://preferences/about") and files (extensions to import) arrive through
// openUrls()/openArguments(), from the command line or from a later start of the program.
// Owns its panes; the context is not owned. Main thread.
class PreferencesWindow : public QWidget
{
    Q_OBJECT
public:
    enum PaneIndex { General = 0, Appearance = 1, Palette = 2, About = 3 };
    static constexpr auto kUrlScheme = "tavolin-preferences";

    explicit PreferencesWindow(PrefsContext &context, QWidget *parent = nullptr);
    ~PreferencesWindow() override;

    // Shows the selected pane (General at first).
    void setupWindowStyle();
    // Before the first show: opens where the window was last left (when that is still on a screen), else
    // centred; from then on, where it is left is saved when it closes or the program quits.
    void rememberPlacement();
    // Shows the pane of button `index`; any index other than 0, 2 and 3 shows the appearance pane.
    void segControlSelected(int index);
    void setView(QWidget *pane);
    // Content size of the pane below the button row; keeps the window's left and top edges.
    void resizeWindowWithContentSize(QSize size, bool animated);
    void switchToAboutView();
    void switchToMenuExtensionView();

    // Looks at the first URL only: our scheme with "about" in its path shows the about pane; a file URL
    // shows the extensions tab and imports the file. Anything else is ignored.
    void openUrls(const QList<QUrl> &urls);
    // Command-line arguments: our URLs and file URLs as they are, other arguments as file paths relative to
    // `workingDir`. Other programs' addresses and files of kinds no extension is made of are left out (logged).
    void openArguments(const QStringList &args, const QString &workingDir);
    static QList<QUrl> urlsFromArguments(const QStringList &args, const QString &workingDir);

    // Whether pane switches animate the window's size (on in the program, off in tests).
    void setAnimated(bool animated) { m_animated = animated; }

    int selectedIndex() const;
    QWidget *currentPane() const { return m_current; }
    QToolButton *paneButton(int index) const { return m_buttons.at(size_t(index)); }
    GeneralController *generalController() const { return m_general; }
    AppearanceController *appearanceController() const { return m_appearance; }
    PalettePane *palettePane() const { return m_palette; }
    AboutController *aboutController() const { return m_about; }
    int buttonRowHeight() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void savePlacement();
    void importExtension(const QString &path);

    PrefsContext &m_context;
    bool m_animated = false;
    bool m_remembersPlacement = false;
    QWidget *m_header;
    QButtonGroup *m_tabControl;
    std::array<QToolButton *, 4> m_buttons{};
    QWidget *m_content;
    QVBoxLayout *m_contentLayout;
    QWidget *m_current = nullptr;
    GeneralController *m_general;
    AppearanceController *m_appearance;
    PalettePane *m_palette;
    PaletteViewController *m_paletteView;
    AppRulesController *m_appRules;
    MenuRulesController *m_menuRules;
    ExtensionController *m_extensions;
    AboutController *m_about;
};

} // namespace tavolin
