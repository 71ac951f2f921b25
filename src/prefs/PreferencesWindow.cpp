#include "PreferencesWindow.h"

#include "AboutController.h"
#include "AppRulesController.h"
#include "AppearanceController.h"
#include "ExtensionController.h"
#include "MenuRulesController.h"
#include "GeneralController.h"
#include "PalettePane.h"
#include "PaletteViewController.h"
#include "ProcessPaletteLauncher.h"
#include "WindowPlacement.h"
#include "common/Log.h"
#include "ui/common/AccessibleRoles.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavolin {
namespace {

constexpr int kMinimumPaneWidth = 560;
constexpr int kResizeAnimationMs = 160;

} // namespace

PreferencesWindow::PreferencesWindow(PrefsContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_header(new QWidget(this)), m_tabControl(new QButtonGroup(this)),
      m_content(new QWidget(this)), m_contentLayout(new QVBoxLayout(m_content)),
      m_general(new GeneralController(context, m_content)),
      m_appearance(new AppearanceController(context, m_content)), m_palette(new PalettePane(m_content)),
      m_paletteView(new PaletteViewController(context)), m_appRules(new AppRulesController(context)),
      m_menuRules(new MenuRulesController(context)), m_extensions(new ExtensionController(context)),
      m_about(new AboutController(context, ProcessPaletteLauncher::findPaletteExecutable(), m_content))
{
    markAsPaneBar(*m_header, tr("Preferences panes"));
    setWindowTitle(tr("Tavolin Preferences"));
    m_palette->addTab(m_paletteView, tr("Palette"));
    m_palette->addTab(m_appRules, tr("App Rules"));
    m_palette->addTab(m_menuRules, tr("Menu Rules"));
    m_palette->addTab(m_extensions, tr("Extensions")); // always the last tab
    m_palette->setMinimumSize(640, 460);

    auto *headerLayout = new QHBoxLayout(m_header);
    headerLayout->setContentsMargins(8, 8, 8, 0);
    headerLayout->addStretch();
    const std::array<QString, 4> labels{tr("General"), tr("Appearance"), tr("Palette"), tr("About")};
    for (int i = 0; i < 4; ++i) {
        auto *button = new QToolButton(m_header);
        markAsPaneTab(*button);
        button->setText(labels.at(size_t(i)));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_tabControl->addButton(button, i);
        headerLayout->addWidget(button);
        m_buttons.at(size_t(i)) = button;
    }
    headerLayout->addStretch();
    m_buttons.at(General)->setChecked(true);

    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *pane : {static_cast<QWidget *>(m_general), static_cast<QWidget *>(m_appearance),
                          static_cast<QWidget *>(m_palette), static_cast<QWidget *>(m_about)})
        pane->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_content, 1);

    connect(m_tabControl, &QButtonGroup::idClicked, this, &PreferencesWindow::segControlSelected);
    connect(m_palette, &PalettePane::fileDropped, this, [this](const QString &path) {
        switchToMenuExtensionView();
        importExtension(path);
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this, [this] {
        savePlacement();
        QApplication::quit();
    });
}

PreferencesWindow::~PreferencesWindow() = default;

void PreferencesWindow::setupWindowStyle()
{
    segControlSelected(selectedIndex());
}

void PreferencesWindow::rememberPlacement()
{
    m_remembersPlacement = true;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return; // no screen to place on: the window manager decides
    move(windowplacement::placeFor(windowplacement::load(), size(), screens, primary->availableGeometry()));
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PreferencesWindow::savePlacement);
}

void PreferencesWindow::savePlacement()
{
    if (m_remembersPlacement && isVisible() && !windowplacement::save(pos()))
        log::error(QStringLiteral("could not save the window's place in %1").arg(windowplacement::filePath()));
}

void PreferencesWindow::closeEvent(QCloseEvent *event)
{
    savePlacement();
    QWidget::closeEvent(event);
}

int PreferencesWindow::selectedIndex() const
{
    return m_tabControl->checkedId();
}

int PreferencesWindow::buttonRowHeight() const
{
    return m_header->sizeHint().height();
}

void PreferencesWindow::segControlSelected(int index)
{
    if (m_current) {
        m_contentLayout->removeWidget(m_current);
        m_current->hide();
    }
    QWidget *pane = index == General ? static_cast<QWidget *>(m_general)
        : index == Palette           ? static_cast<QWidget *>(m_palette)
        : index == About             ? static_cast<QWidget *>(m_about)
                                     : static_cast<QWidget *>(m_appearance);
    if (QAbstractButton *button = m_tabControl->button(index == General || index == Palette || index == About
                                                           ? index : int(Appearance)))
        button->setChecked(true);
    setView(pane);
}

void PreferencesWindow::setView(QWidget *pane)
{
    const QSize hint = pane->sizeHint().expandedTo(pane->minimumSize());
    resizeWindowWithContentSize(QSize(std::max(hint.width(), kMinimumPaneWidth), hint.height()), m_animated);
    m_current = pane;
    m_contentLayout->addWidget(pane);
    pane->show();
}

void PreferencesWindow::resizeWindowWithContentSize(QSize size, bool animated)
{
    const QRect old = geometry();
    const QRect target(old.topLeft(), QSize(size.width(), size.height() + buttonRowHeight()));
    // The layout's minimum would hold the window at the old pane's size while it shrinks.
    setMinimumSize(0, 0);
    if (!isVisible()) {
        // Only the size: a position set before the first show pins the window where the window manager
        // would have placed it.
        resize(target.size());
        return;
    }
    if (!animated) {
        setGeometry(target);
        return;
    }
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(kResizeAnimationMs);
    animation->setStartValue(old);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void PreferencesWindow::switchToAboutView()
{
    segControlSelected(About);
}

void PreferencesWindow::switchToMenuExtensionView()
{
    segControlSelected(Palette);
    m_palette->selectLastTab();
}

QList<QUrl> PreferencesWindow::urlsFromArguments(const QStringList &args, const QString &workingDir)
{
    QList<QUrl> urls;
    const QString scheme = QString::fromLatin1(kUrlScheme) + QLatin1Char(':');
    for (const QString &arg : args) {
        if (arg.isEmpty())
            continue;
        if (arg.startsWith(scheme) || arg.startsWith(QLatin1String("file:"))) {
            urls << QUrl(arg);
            continue;
        }
        const QString path = QDir::cleanPath(QDir(workingDir).absoluteFilePath(arg));
        // Another program's address ("https://…") or a file no extension is made of is not ours to open.
        const bool otherAddress = QUrl(arg).scheme().size() > 1 && !QFileInfo::exists(path);
        if (otherAddress || !PalettePane::hasExtensionSuffix(path)) {
            log::info(QStringLiteral("ignoring argument %1: not a preferences address or an extension file")
                          .arg(arg.left(200)));
            continue;
        }
        urls << QUrl::fromLocalFile(path);
    }
    return urls;
}

void PreferencesWindow::openArguments(const QStringList &args, const QString &workingDir)
{
    openUrls(urlsFromArguments(args, workingDir));
}

void PreferencesWindow::openUrls(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return;
    const QUrl &url = urls.first();
    const QString text = url.toString();
    if (text.startsWith(QString::fromLatin1(kUrlScheme) + QLatin1Char(':'))) {
        if (url.path().contains(QLatin1String("about")))
            switchToAboutView();
    } else if (text.startsWith(QLatin1String("file:")) && url.isLocalFile()) {
        switchToMenuExtensionView();
        importExtension(QDir::cleanPath(url.toLocalFile()));
    }
}

void PreferencesWindow::importExtension(const QString &path)
{
    m_extensions->onAddExtensionFrom(path);
}

} // namespace tavolin
