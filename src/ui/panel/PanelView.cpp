#include "ui/panel/PanelView.h"

#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"
#include "palette/TextFolding.h"
#include "ui/panel/ClickableLabel.h"
#include "ui/panel/InputBackgroundController.h"
#include "ui/panel/ListView.h"
#include "ui/panel/PanelDelegate.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QTextBoundaryFinder>

#include <utility>

namespace tavolin {
namespace {

constexpr int kStackIconSize = 24;
// How long a held Return may stay down before its row is chosen anyway.
constexpr int kReleaseWaitMs = 300;
constexpr int kGap = 6;

// Offset of the n-th grapheme cluster boundary in `text` (text.size() when there are fewer clusters).
qsizetype clusterOffset(const QString &text, int clusters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype offset = 0;
    for (int i = 0; i < clusters; ++i) {
        offset = finder.toNextBoundary();
        if (offset < 0)
            return text.size();
    }
    return offset;
}

bool onlyModifiers(const QKeyEvent &event, Qt::KeyboardModifiers wanted)
{
    return (event.modifiers() & ~Qt::KeypadModifier) == wanted;
}

} // namespace

std::optional<QString> hintRemainder(const QString &title, const QString &typed)
{
    const FoldedText foldedTitle(title, FoldMode::Default);
    const FoldedText foldedTyped(typed, FoldMode::Default);
    if (foldedTyped.size() > foldedTitle.size())
        return std::nullopt;
    for (int i = 0; i < foldedTyped.size(); ++i) {
        if (foldedTitle.foldKeys()[i] != foldedTyped.foldKeys()[i])
            return std::nullopt;
    }
    return title.mid(clusterOffset(title, foldedTyped.size()));
}

PanelLineEdit::PanelLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

int PanelLineEdit::textLeft() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return contents.left() + textMargins().left() + 2; // QLineEdit's fixed horizontal margin
}

void PanelLineEdit::clearUndoHistory()
{
    // setText() drops the history even when the text stays the same.
    const int cursor = cursorPosition();
    const QSignalBlocker blocker(this);
    setText(text());
    setCursorPosition(cursor);
}

bool PanelLineEdit::event(QEvent *event)
{
    auto *view = qobject_cast<PanelView *>(parentWidget());
    if (event->type() == QEvent::KeyRelease && view && view->handleKeyRelease(*static_cast<QKeyEvent *>(event)))
        return true;
    if (event->type() != QEvent::KeyPress)
        return QLineEdit::event(event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (!view)
        return QLineEdit::event(event);
    if (view->settlePendingChoice(*key) || view->handleKeyEquivalent(*key) || view->handleTextCommand(*key) || view->handleUndo(*key)) {
        key->accept();
        return true;
    }
    key->accept();
    const bool result = QLineEdit::event(event);
    if (!key->isAccepted() && view->handleUnusedKey(*key)) {
        key->accept();
        return true;
    }
    return result;
}

PanelView::PanelView(DataSource &source, SettingsDomain &settings, QWidget *parent)
    : QWidget(parent), m_source(source), m_settings(settings), m_input(new PanelLineEdit(this)),
      m_hint(new ClickableLabel(this)), m_menuLabel(new QLabel(this)), m_iconLabel(new QLabel(this)),
      m_stackIcon(new QToolButton(this))
{
    m_releaseWait.setSingleShot(true);
    m_releaseWait.setInterval(kReleaseWaitMs);
    connect(&m_releaseWait, &QTimer::timeout, this, [this] { choosePendingRow(); });
    m_menuLabel->setTextFormat(Qt::PlainText);
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->hide();
    m_hint->setClickAction([this] { completeFilter(); });
    m_iconLabel->setScaledContents(true);
    m_stackIcon->setAutoRaise(true);
    m_stackIcon->setFocusPolicy(Qt::NoFocus);
    m_stackIcon->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_input->setStyleSheet(QStringLiteral("background: transparent;"));
    // The placeholder stays the field's description ("Commands", or that the application does not answer).
    m_input->setAccessibleName(tr("Search"));
    m_inputBackground = new InputBackgroundController(*this, *m_stackIcon, source, settings, this);
    setStackImage(QStringLiteral("gear"));
    connect(m_input, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_delegate)
            m_delegate->onSearch(text, false, std::nullopt);
    });
    connect(m_input, &QLineEdit::textChanged, this, [this] { placeHint(); });
    connect(m_stackIcon, &QToolButton::clicked, this, [this] {
        if (m_delegate)
            m_delegate->toggleMode();
    });
    setFocusProxy(m_input);
}

PanelView::~PanelView() = default;

void PanelView::renderHint(const RowDataPtr &row)
{
    if (!row) {
        hideHint();
        return;
    }
    m_hintItem = row;
    const QString typed = m_input->text();
    const QFontMetrics metrics(m_input->font());
    const int typedWidth = metrics.horizontalAdvance(typed);
    const QString arrow = QStringLiteral(" ▶");
    if (const std::optional<QString> rest = hintRemainder(row->title(), typed)) {
        m_hint->setText(*rest + arrow);
        m_inputWidth = typedWidth + 2;
    } else {
        m_hint->setText(row->title() + arrow);
        m_inputWidth = typedWidth + 8;
    }
    m_hint->show();
    placeHint();
}

void PanelView::hideHint()
{
    m_hintItem.reset();
    m_hint->hide();
}

bool PanelView::completeFilter()
{
    const RowDataPtr row = m_hintItem;
    if (!row || !m_delegate)
        return row != nullptr;
    if (row->expands()) {
        m_delegate->onExpand(row);
    } else {
        m_delegate->onExitPanel();
        row->apply();
    }
    return true;
}

void PanelView::setIcon(const std::optional<QString> &icon)
{
    m_icon = icon;
    if (!icon || icon->isEmpty()) {
        m_iconLabel->clear();
        m_iconLabel->hide();
    } else {
        const QIcon image = icon->startsWith(QLatin1Char('/')) ? QIcon(*icon) : QIcon::fromTheme(*icon);
        m_iconLabel->setPixmap(image.pixmap(m_iconSize, m_iconSize));
        m_iconLabel->show();
    }
    layoutRow();
}

void PanelView::setStackImage(const QString &name)
{
    m_stackImage = name;
    // Text glyphs keep the button independent of the desktop's icon theme.
    if (name == QLatin1String("gear")) {
        m_stackIcon->setText(QStringLiteral("⚙"));
        m_stackIcon->setAccessibleName(tr("Tavolin's own commands"));
    } else if (name == QLatin1String("update")) {
        m_stackIcon->setText(QStringLiteral("⬆"));
        m_stackIcon->setAccessibleName(tr("Tavolin's own commands: an update is available"));
    } else if (name == QLatin1String("back")) {
        m_stackIcon->setText(QStringLiteral("←"));
        m_stackIcon->setAccessibleName(tr("Back to the application's commands"));
    } else {
        m_stackIcon->setText(QString());
        m_stackIcon->setAccessibleName(QString());
    }
}

void PanelView::setPlaceholder(const QString &text)
{
    m_input->setPlaceholderText(text);
}

void PanelView::setMetrics(int fontPixels, int iconSize, int margin)
{
    QFont font = m_input->font();
    font.setPixelSize(fontPixels);
    m_input->setFont(font);
    m_hint->setFont(font);
    m_menuLabel->setFont(font);
    m_iconSize = iconSize;
    m_margin = margin;
    setIcon(m_icon);
}

void PanelView::setColors(std::optional<QColor> background, const QColor &text, const QColor &label,
                          const QColor &placeholder)
{
    m_background = background;
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, placeholder);
    m_input->setPalette(palette);
    QPalette labelPalette = m_menuLabel->palette();
    labelPalette.setColor(QPalette::WindowText, label);
    m_menuLabel->setPalette(labelPalette);
    QPalette hintPalette = m_hint->palette();
    hintPalette.setColor(QPalette::WindowText, placeholder);
    m_hint->setPalette(hintPalette);
    QPalette buttonPalette = m_stackIcon->palette();
    buttonPalette.setColor(QPalette::ButtonText, label);
    m_stackIcon->setPalette(buttonPalette);
    update();
}

bool PanelView::listIsEmpty() const
{
    return !m_list || m_list->rowCount() == 0;
}

bool PanelView::handleKeyEquivalent(QKeyEvent &event)
{
    if (!m_delegate)
        return false;
    const int key = event.key();
    if (key == Qt::Key_Escape) {
        m_delegate->onCancelOrExitPanel();
        return true;
    }
    if (listIsEmpty())
        return false;
    // Control (Super on Linux) with P or N, as in Emacs; Ctrl is Command here and stays with the rows.
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool emacsMove = (mods & Qt::MetaModifier) && !(mods & (Qt::ControlModifier | Qt::AltModifier));
    const int limit = DataSource::visibleRowLimit(m_source.mode(), m_settings);
    if (key == Qt::Key_Up || (key == Qt::Key_P && emacsMove)) {
        m_delegate->selectNext(true, 1);
    } else if (key == Qt::Key_Down || (key == Qt::Key_N && emacsMove)) {
        m_delegate->selectNext(false, 1);
    } else if (key == Qt::Key_Home) {
        m_list->selectRow(0);
        m_list->scrollRowToVisible(0);
    } else if (key == Qt::Key_End) {
        m_list->selectRow(m_list->rowCount() - 1);
        m_list->scrollRowToVisible(m_list->rowCount() - 1);
    } else if (key == Qt::Key_PageUp) {
        m_delegate->selectNext(true, limit);
    } else if (key == Qt::Key_PageDown) {
        m_delegate->selectNext(false, limit);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Chosen when the key comes up. Chosen as it goes down, the panel hid and the key's release reached the
        // application while its command was pressed over AT-SPI: a GTK application then runs the command
        // inside its wait on that key event, and a dialog the command opens leaves it unable to answer AT-SPI
        // until the dialog closes. A key held longer than kReleaseWaitMs chooses all the same.
        if (!event.isAutoRepeat()) {
            m_pendingChoice = true;
            m_releaseWait.start();
        }
    } else if (key == Qt::Key_Comma && onlyModifiers(event, Qt::ControlModifier)
               && m_source.mode() == PanelMode::CommandPalette && settings::usePreferenceShortcut(m_settings)) {
        m_delegate->switchMode(PanelMode::SelfOptions);
    } else {
        return false;
    }
    return true;
}

bool PanelView::handleKeyRelease(QKeyEvent &event)
{
    if (!m_pendingChoice || event.isAutoRepeat() || (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter))
        return false;
    choosePendingRow();
    return true;
}

bool PanelView::settlePendingChoice(QKeyEvent &event)
{
    if (!m_pendingChoice)
        return false;
    const bool returnHeld = event.isAutoRepeat() && (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter);
    if (returnHeld)
        return true;
    if (event.key() == Qt::Key_Escape) {
        m_pendingChoice = false;
        m_releaseWait.stop();
        return false; // and the panel closes as usual
    }
    choosePendingRow();
    return true;
}

void PanelView::choosePendingRow()
{
    m_releaseWait.stop();
    if (std::exchange(m_pendingChoice, false) && m_delegate)
        m_delegate->performSelectedRow();
}

bool PanelView::handleTextCommand(QKeyEvent &event)
{
    if (!m_delegate)
        return false;
    const int key = event.key();
    const bool deleteBackward = key == Qt::Key_Backspace
        && (onlyModifiers(event, Qt::NoModifier) || onlyModifiers(event, Qt::ControlModifier));
    if (deleteBackward) {
        DataProvider *provider = m_source.provider();
        if (!m_input->hasSelectedText() && m_input->cursorPosition() == 0 && provider && provider->filteredParent()) {
            m_delegate->doUnfilter(false);
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Tab && onlyModifiers(event, Qt::NoModifier))
        return completeFilter();
    if (key == Qt::Key_Right && onlyModifiers(event, Qt::NoModifier)) {
        if (m_input->cursorPosition() == m_input->text().size() && !m_input->hasSelectedText())
            return completeFilter();
        return false;
    }
    if (event.matches(QKeySequence::MoveToEndOfLine) || event.matches(QKeySequence::MoveToEndOfBlock)
        || event.matches(QKeySequence::MoveToEndOfDocument))
        return completeFilter();
    return false;
}

bool PanelView::handleUndo(QKeyEvent &event)
{
    if (!m_delegate || !event.matches(QKeySequence::Undo) || m_input->isUndoAvailable())
        return false;
    return m_delegate->undoLastMove();
}

bool PanelView::handleUnusedKey(QKeyEvent &event)
{
    if (!m_delegate || listIsEmpty())
        return false;
    return m_delegate->bypassKeyEvent(event);
}

void PanelView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutRow();
}

void PanelView::paintEvent(QPaintEvent *)
{
    if (!m_background)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), *m_background);
}

void PanelView::layoutRow()
{
    const int h = height();
    int left = m_margin + kGap;
    if (m_iconLabel->isVisibleTo(this)) {
        m_iconLabel->setGeometry(left, (h - m_iconSize) / 2, m_iconSize, m_iconSize);
        left += m_iconSize + kGap;
    }
    const int right = width() - m_margin - kGap - kStackIconSize;
    m_stackIcon->setGeometry(right, (h - kStackIconSize) / 2, kStackIconSize, kStackIconSize);
    if (!m_menuLabel->text().isEmpty()) {
        const int labelWidth = qMin(m_menuLabel->sizeHint().width(), (right - left) / 2);
        m_menuLabel->setGeometry(left, 0, labelWidth, h);
        left += labelWidth;
    } else {
        m_menuLabel->setGeometry(left, 0, 0, h);
    }
    m_input->setGeometry(left, 0, qMax(0, right - kGap - left), h);
    placeHint();
}

void PanelView::placeHint()
{
    if (m_hint->isHidden())
        return;
    const int x = m_input->x() + m_input->textLeft() + m_inputWidth;
    const int available = m_input->geometry().right() - x;
    m_hint->setGeometry(x, m_input->y(), qMax(0, qMin(m_hint->sizeHint().width(), available)), m_input->height());
}

} // namespace tavolin
