#pragma once

#include <QObject>
#include <QString>

namespace tavolin {

class HotkeyBinder;
class SettingsDomain;

// Keeps a settings key holding the text of the shortcut a binder has registered for another key, e.g.
// "palette_shortcut_string" for "palette_shortcut", which the palette compares with menu items' shortcuts.
// The text is Shortcut::description() ("⇧⌘P"); the key is removed while nothing is registered. It is
// derived again whenever the registration changes and whenever anyone writes either key, so a change made by
// another writer (the preferences program, a hand edit) never leaves it naming an old shortcut.
//
// The settings domain and the binder are not owned and must outlive this object. Main thread.
class BoundShortcutText : public QObject
{
    Q_OBJECT
public:
    BoundShortcutText(SettingsDomain &settings, HotkeyBinder &binder, QString shortcutKey, QString textKey,
                      QObject *parent = nullptr);

    // Writes the text for what is registered now, when the stored text differs.
    void update();

private:
    SettingsDomain &m_settings;
    HotkeyBinder &m_binder;
    const QString m_shortcutKey;
    const QString m_textKey;
};

} // namespace tavolin
