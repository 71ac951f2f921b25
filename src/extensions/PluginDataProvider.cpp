#include "PluginDataProvider.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tavolin {
namespace {

// The built-in scripts, compiled in from src/extensions/builtin.
const QString kResourceFolder = QStringLiteral(":/CommandExtensions");

constexpr const char *kFileManagers[] = {"nautilus", "nemo", "caja", "thunar", "pcmanfm", "dolphin"};

const QString kAppSuffix = QStringLiteral(".app");

QString prefix()
{
    return QLatin1String(PluginDataItem::kExtPrefix);
}

} // namespace

PluginDataProvider::PluginDataProvider(Notifier &notifier, FindExecutable findExecutable)
    : m_folder(paths::dataDir() + QLatin1Char('/') + QLatin1String(kFolderName)),
      m_findExecutable(std::move(findExecutable)),
      m_store(QLatin1String(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms),
      m_runner(std::make_shared<ScriptRunner>(m_folder, notifier))
{
    if (!m_findExecutable)
        m_findExecutable = [](const QString &name) { return QStandardPaths::findExecutable(name); };
    log::info(QStringLiteral("extensions folder is %1").arg(m_folder));
}

PluginDataProvider::~PluginDataProvider()
{
    m_runner.reset(); // stops and waits for runs still going, while the notifier is alive
}

void PluginDataProvider::installDefaultPlugins()
{
    Store *store = m_store.db.get();
    if (!store || !store->isOpen()) {
        log::error(QStringLiteral("extension database is not open; no extensions"));
        return;
    }
    if (store->get(QLatin1String(kInitKey)).isEmpty()) {
        copyBuiltinScripts();
        installBuiltinRecords();
    } else {
        readAllRecords();
    }
}

void PluginDataProvider::copyBuiltinScripts()
{
    log::info(QStringLiteral("extensions folder is %1").arg(m_folder));
    const QDir source(kResourceFolder);
    if (!source.exists())
        return;
    if (!QDir().mkpath(m_folder)) {
        log::error(QStringLiteral("cannot create the extensions folder %1").arg(m_folder));
        return;
    }
    // Only missing files are added: a folder that already exists (kept from an earlier install, or shared
    // with the preferences program) may hold the user's own edits under the same names.
    const QStringList names = source.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString target = m_folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        QFile file(source.filePath(name));
        if (!file.copy(target)) {
            log::error(QStringLiteral("cannot copy %1: %2").arg(name, file.errorString()));
            continue;
        }
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
}

void PluginDataProvider::installBuiltinRecords()
{
    const QList<PluginDataItem> records = builtinRecords(detectFileManager(m_findExecutable));
    const QString app = records.first().app;
    Store *store = m_store.db.get();
    if (!store->put(prefix() + app, PluginDataItem::jsonFromArray(records))
        || !store->put(QLatin1String(kInitKey), QStringLiteral("true")))
        log::error(QStringLiteral("cannot store the built-in extensions"));
    MutexLocker locker(m_mutex);
    m_extensions.insert(app, records);
}

void PluginDataProvider::readAllRecords()
{
    QHash<QString, QList<PluginDataItem>> all = PluginDataItem::byApp(m_store.db->findKeys(prefix()));
    MutexLocker locker(m_mutex);
    m_extensions = std::move(all);
}

void PluginDataProvider::updateExtensions(const QString &json, const QString &application)
{
    const QList<PluginDataItem> records = PluginDataItem::arrayFromJSON(json);
    MutexLocker locker(m_mutex);
    if (records.isEmpty())
        m_extensions.remove(application);
    else
        m_extensions.insert(records.first().app, records);
}

QList<PluginDataItem> PluginDataProvider::getExtentions(const QString &application) const
{
    const QString key = application.endsWith(kAppSuffix) ? application : application + kAppSuffix;
    MutexLocker locker(m_mutex);
    QList<PluginDataItem> result = m_extensions.value(key);
    result += m_extensions.value(QLatin1String(PluginDataItem::kAllApps));
    return result;
}

QHash<QString, QList<PluginDataItem>> PluginDataProvider::extensions() const
{
    MutexLocker locker(m_mutex);
    return m_extensions;
}

QFuture<RunOutcome> PluginDataProvider::runCommand(const PluginDataItem &item, const RunContext &context)
{
    return m_runner->run(item.label, item.entry, context);
}

QString PluginDataProvider::detectFileManager(const FindExecutable &find)
{
    for (const char *name : kFileManagers) {
        if (find && !find(QLatin1String(name)).isEmpty())
            return QLatin1String(name);
    }
    return QLatin1String(kFileManagers[0]);
}

QList<PluginDataItem> PluginDataProvider::builtinRecords(const QString &fileManager)
{
    const QString app = fileManager + kAppSuffix;
    return {
        PluginDataItem(app, QStringLiteral("Copy Path"), QStringLiteral("Files - Copy Path.sh")),
        PluginDataItem(app, QStringLiteral("Open in Terminal"), QStringLiteral("Files - Open in Terminal.sh")),
        PluginDataItem(app, QStringLiteral("Hide or Show Hidden Files"), QString(),
                       QStringLiteral("Files - Hide or Show Hidden Files.sh"), true, QString(),
                       KeyData(QStringLiteral("."), 0, keymask::kShift)),
    };
}

} // namespace tavolin
