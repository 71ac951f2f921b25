#include "common/PaletteRulesManager.h"

#include "common/DefaultRules.h"
#include "common/HotkeyBinder.h"
#include "common/Log.h"
#include "common/Mutex.h"
#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"

#include <QJsonDocument>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cmath>
#include <limits>

namespace tavolin {
namespace {

constexpr QLatin1String kAllApplications{"all"};

// Stored application keys are file names ("gedit.app"); callers pass the name alone.
QString withoutAppExtension(const QString &applicationKey)
{
    static const QString kExtension = QStringLiteral(".app");
    if (applicationKey.endsWith(kExtension) && applicationKey.size() > kExtension.size())
        return applicationKey.left(applicationKey.size() - kExtension.size());
    return applicationKey;
}

// An entry of "palette_rule_app" that can be used: an array whose first two elements are strings.
std::optional<std::pair<QString, QString>> readAppRuleEntry(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray entry = value.toArray();
    if (entry.size() < 2 || !entry.at(0).isString() || !entry.at(1).isString())
        return std::nullopt;
    return std::make_pair(entry.at(0).toString(), entry.at(1).toString());
}

// The option number of a menu rule pair; nullopt unless it is a number an int can hold.
std::optional<int> readOption(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(number);
}

QString compactJson(const QJsonValue &value)
{
    if (value.isUndefined())
        return QStringLiteral("unset");
    QJsonArray wrapper{value};
    const QByteArray text = QJsonDocument(wrapper).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

} // namespace

PaletteRulesManager::PaletteRulesManager(SettingsDomain &settings, CurrentShortcut currentShortcut,
                                         const QLocale &titleLocale, QObject *parent)
    : QObject(parent), m_settings(settings), m_currentShortcut(std::move(currentShortcut)), m_titleLocale(titleLocale)
{
    const AppRule defaultRule = readDefaultRule();
    {
        MutexLocker lock(m_mutex);
        m_defaultRule = defaultRule;
    }

    const QJsonValue stored = m_settings.value(kAppRulesKey);
    if (stored.isArray()) {
        loadAppRules(stored.toArray());
    } else {
        // Unset is every first start; anything else was a list once, and its old value goes to the log so a
        // hand-edited list that lost its shape can still be recovered.
        if (stored.isUndefined())
            log::info(QStringLiteral("%1 is unset; writing the built-in rules").arg(kAppRulesKey));
        else
            log::error(QStringLiteral("%1 is not a list of rules (%2); writing the built-in rules")
                           .arg(kAppRulesKey, compactJson(stored)));
        const QJsonArray defaults = DefaultRules::appRulesJson();
        m_settings.setValue(kAppRulesKey, defaults);
        loadAppRules(defaults);
    }

    QHash<QString, QHash<QString, int>> menuRules = readMenuRules(m_settings.objectValue(kMenuRulesKey));
    {
        MutexLocker lock(m_mutex);
        m_menuRules = std::move(menuRules);
        m_hasMenuRules.store(!m_menuRules.isEmpty());
    }

    // Observed only now: writing the defaults above must not count as a change of the rules.
    connect(&m_settings, &SettingsDomain::valueChanged, this, &PaletteRulesManager::onSettingChanged);
}

PaletteRulesManager::PaletteRulesManager(SettingsDomain &settings, HotkeyBinder *binder, const QLocale &titleLocale,
                                         QObject *parent)
    : PaletteRulesManager(settings,
                          [binder]() -> std::optional<Shortcut> {
                              if (!binder)
                                  return std::nullopt;
                              return binder->shortcutForKey(QString(settings::kPaletteShortcut));
                          },
                          titleLocale, parent)
{
}

PaletteRulesManager::~PaletteRulesManager() = default;

QString PaletteRulesManager::ruleKey(const QString &bundleIdentifier, const QString &executableName) const
{
    if (!m_appRules.contains(bundleIdentifier) && !executableName.isEmpty() && m_appRules.contains(executableName))
        return executableName;
    return bundleIdentifier;
}

AppRule PaletteRulesManager::ruleForApp(const QString &bundleIdentifier, const QString &executableName) const
{
    if (bundleIdentifier.isEmpty())
        return AppRule::Disabled;
    QString key;
    QString ruleText;
    AppRule rule;
    {
        MutexLocker lock(m_mutex);
        key = ruleKey(bundleIdentifier, executableName);
        const auto cached = m_cachedAppRules.constFind(key);
        if (cached != m_cachedAppRules.constEnd())
            return parseOrDefault(*cached);
        ruleText = m_appRules.value(key, appRuleString(m_defaultRule));
        rule = parseOrDefault(ruleText);
    }
    log::info(QStringLiteral("rule for %1 is %2").arg(key, ruleText));
    return rule;
}

bool PaletteRulesManager::updateRuleForApp(const QString &bundleIdentifier, bool isSafe, const QString &executableName)
{
    if (bundleIdentifier.isEmpty())
        return false;
    log::info(QStringLiteral("shouldTrigger of %1 become %2").arg(bundleIdentifier).arg(isSafe ? 1 : 0));
    MutexLocker lock(m_mutex);
    // Kept under the key the rule came from, so a change of that rule drops the decision.
    const QString key = ruleKey(bundleIdentifier, executableName);
    const QString rule = m_appRules.value(key, appRuleString(m_defaultRule));
    // Compared as ruleForApp reads it, so an unknown stored string under an "auto" default still records.
    if (parseOrDefault(rule) != AppRule::Auto)
        return false;
    m_cachedAppRules.insert(key, appRuleString(isSafe ? AppRule::Allow : AppRule::Disabled));
    return true;
}

std::optional<int> PaletteRulesManager::getIgnorableOption(const QString &title, const QString &applicationKey) const
{
    // Every row asks, from the reading threads and the main thread at once, mostly with no rule at all:
    // then neither the lock nor the title's folding.
    if (!hasMenuRules())
        return std::nullopt;
    const QString own = withoutAppExtension(applicationKey);
    {
        // The title is folded only when a rule of the application (or of all) may name it.
        MutexLocker lock(m_mutex);
        if (m_menuRules.value(own).isEmpty() && m_menuRules.value(QString(kAllApplications)).isEmpty())
            return std::nullopt;
    }
    const QString normalized = normalizeMenuTitle(title, m_titleLocale);
    MutexLocker lock(m_mutex);
    for (const QString &appKey : {own, QString(kAllApplications)}) {
        const auto rules = m_menuRules.constFind(appKey);
        if (rules == m_menuRules.constEnd())
            continue;
        const auto option = rules->constFind(normalized);
        if (option != rules->constEnd())
            return *option;
    }
    return std::nullopt;
}

bool PaletteRulesManager::renderMenuState() const
{
    return settings::showMenuState(m_settings);
}

bool PaletteRulesManager::useDefaultHotKey() const
{
    const std::optional<Shortcut> current = m_currentShortcut ? m_currentShortcut() : std::nullopt;
    return current && current->keyCode() == DefaultRules::kPaletteKeyCode
           && current->modifierFlags() == DefaultRules::kPaletteModifierFlags;
}

AppRule PaletteRulesManager::defaultRule() const
{
    MutexLocker lock(m_mutex);
    return m_defaultRule;
}

QString PaletteRulesManager::normalizeMenuTitle(const QString &title, const QLocale &locale)
{
    QString stripped = title;
    stripped.remove(QChar(0x2026));
    stripped.remove(QStringLiteral("..."));
    icu::UnicodeString text(reinterpret_cast<const UChar *>(stripped.utf16()), static_cast<int32_t>(stripped.size()));
    text.toLower(icu::Locale(locale.name().toLatin1().constData()));
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// Rebuilds the identifier → rule map. A decision recorded for an "auto" application survives only while
// the new rule string still says what the decision says.
void PaletteRulesManager::loadAppRules(const QJsonArray &entries)
{
    MutexLocker lock(m_mutex);
    m_appRules.clear();
    for (const QJsonValue &value : entries) {
        const auto entry = readAppRuleEntry(value);
        if (!entry)
            continue;
        const auto &[identifier, rule] = *entry;
        const auto cached = m_cachedAppRules.constFind(identifier);
        if (cached != m_cachedAppRules.constEnd() && *cached != rule)
            m_cachedAppRules.erase(cached);
        m_appRules.insert(identifier, rule);
    }
}

// Keys "gedit.app" and "gedit" name the same application; their rules are merged.
QHash<QString, QHash<QString, int>> PaletteRulesManager::readMenuRules(const QJsonObject &stored) const
{
    QHash<QString, QHash<QString, int>> rules;
    for (auto it = stored.constBegin(); it != stored.constEnd(); ++it) {
        QHash<QString, int> &titles = rules[withoutAppExtension(it.key())];
        const QJsonArray pairs = it.value().toArray();
        for (const QJsonValue &value : pairs) {
            const QJsonArray pair = value.toArray();
            if (pair.size() < 2 || !pair.at(0).isString())
                continue;
            const std::optional<int> option = readOption(pair.at(1));
            // A title of dots alone normalises to "" and would match every untitled item.
            const QString title = normalizeMenuTitle(pair.at(0).toString(), m_titleLocale);
            if (!option || title.isEmpty())
                continue;
            titles.insert(title, *option);
        }
    }
    return rules;
}

AppRule PaletteRulesManager::readDefaultRule() const
{
    return appRuleFromString(m_settings.stringValue(kDefaultRuleKey)).value_or(AppRule::Auto);
}

AppRule PaletteRulesManager::parseOrDefault(const QString &rule) const
{
    return appRuleFromString(rule).value_or(m_defaultRule);
}

void PaletteRulesManager::onSettingChanged(const QString &changed)
{
    if (changed == kAppRulesKey) {
        onAppRulesChanged();
    } else if (changed == kDefaultRuleKey) {
        const AppRule defaultRule = readDefaultRule();
        MutexLocker lock(m_mutex);
        m_defaultRule = defaultRule;
        m_cachedAppRules.clear();
    } else if (changed == settings::kPaletteShortcut || changed == settings::kPaletteShortcutString) {
        // Decisions were made by looking for the old key in the menus: under a new key an application may
        // hold it (or no longer hold it), so each is made again.
        MutexLocker lock(m_mutex);
        m_cachedAppRules.clear();
    } else if (changed == kMenuRulesKey) {
        QHash<QString, QHash<QString, int>> menuRules = readMenuRules(m_settings.objectValue(kMenuRulesKey));
        MutexLocker lock(m_mutex);
        m_menuRules = std::move(menuRules);
        m_hasMenuRules.store(!m_menuRules.isEmpty());
    }
}

// Every application the old or the new list names loses its recorded decision: its rule may have moved.
void PaletteRulesManager::onAppRulesChanged()
{
    const QJsonValue stored = m_settings.value(kAppRulesKey);
    if (!stored.isArray()) {
        log::error(QStringLiteral("ignoring %1: not a list of rules (%2)").arg(kAppRulesKey, compactJson(stored)));
        return;
    }
    const QJsonArray entries = stored.toArray();
    {
        MutexLocker lock(m_mutex);
        for (auto it = m_appRules.constBegin(); it != m_appRules.constEnd(); ++it)
            m_cachedAppRules.remove(it.key());
        for (const QJsonValue &value : entries) {
            if (const auto entry = readAppRuleEntry(value))
                m_cachedAppRules.remove(entry->first);
        }
    }
    loadAppRules(entries);
}

} // namespace tavolin
