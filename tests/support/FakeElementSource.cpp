#include "support/FakeElementSource.h"

#include "accessibility/AXUtils.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <vector>

namespace tavolin {

struct FakeElementSource::Node
{
    QString role = QString::fromLatin1(axrole::kMenuItem);
    std::optional<QString> title;
    bool enabled = true;
    std::optional<QString> mark;
    std::optional<QString> cmdChar;
    std::optional<int64_t> virtualKey;
    std::optional<int64_t> glyph;
    std::optional<int64_t> modifiers;
    std::vector<std::unique_ptr<Node>> children;
    std::unique_ptr<Node> menuBar; // only on the application node
    bool failAll = false;
    std::set<AXAttribute> failing;
    bool hang = false;
};

struct FakeElementSource::App
{
    RunningApp running;
    std::unique_ptr<Node> root;
    std::atomic<bool> hanging{false};
    std::atomic<bool> vanished{false};
    std::atomic<int64_t> vanishCountdown{-1}; // requests left before it vanishes; -1: never
};

namespace {

constexpr int kMaxDepth = 64; // descriptions nested deeper are refused, not recursed into

class FakeElement final : public Element
{
public:
    FakeElement(std::shared_ptr<FakeElementSource::App> app, const FakeElementSource::Node *node)
        : app(std::move(app)), node(node) {}
    std::shared_ptr<FakeElementSource::App> app; // null for the system-wide element
    const FakeElementSource::Node *node;         // owned by app; null for the system-wide element
};

std::optional<QString> optionalString(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

std::optional<int64_t> optionalInt(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? std::optional<int64_t>(v.toInteger()) : std::nullopt;
}

QStringList stringList(const QJsonObject &o, const char *key)
{
    QStringList out;
    for (const QJsonValue &v : o.value(QLatin1String(key)).toArray()) {
        if (v.isString())
            out << v.toString();
    }
    return out;
}

bool parseNodes(const QJsonValue &value, std::vector<std::unique_ptr<FakeElementSource::Node>> &out, int depth,
                QString *error);

bool parseFailing(const QJsonValue &fail, FakeElementSource::Node &node, QString *error)
{
    if (fail.isBool()) {
        node.failAll = fail.toBool();
        return true;
    }
    for (const QJsonValue &name : fail.toArray()) {
        const std::optional<AXAttribute> attribute = AXUtils::attributeNamed(name.toString());
        if (!attribute) {
            *error = QStringLiteral("unknown attribute in \"fail\": %1").arg(name.toString());
            return false;
        }
        node.failing.insert(*attribute);
    }
    return true;
}

std::unique_ptr<FakeElementSource::Node> parseNode(const QJsonValue &value, int depth, QString *error)
{
    if (!value.isObject()) {
        *error = QStringLiteral("a menu node is not an object");
        return nullptr;
    }
    if (depth > kMaxDepth) {
        *error = QStringLiteral("menus nested deeper than %1").arg(kMaxDepth);
        return nullptr;
    }
    const QJsonObject o = value.toObject();
    auto node = std::make_unique<FakeElementSource::Node>();
    if (const auto role = optionalString(o, "role"))
        node->role = *role;
    if (!o.value(QLatin1String("separator")).toBool())
        node->title = optionalString(o, "title");
    node->enabled = o.value(QLatin1String("enabled")).toBool(true);
    node->mark = optionalString(o, "mark");
    node->cmdChar = optionalString(o, "cmdChar");
    node->virtualKey = optionalInt(o, "virtualKey");
    node->glyph = optionalInt(o, "glyph");
    node->modifiers = optionalInt(o, "modifiers");
    node->hang = o.value(QLatin1String("hang")).toBool();
    if (!parseFailing(o.value(QLatin1String("fail")), *node, error))
        return nullptr;
    if (o.contains(QLatin1String("menu"))) {
        auto menu = std::make_unique<FakeElementSource::Node>();
        menu->role = QString::fromLatin1(axrole::kMenu);
        if (!parseNodes(o.value(QLatin1String("menu")), menu->children, depth + 1, error))
            return nullptr;
        node->children.push_back(std::move(menu));
    } else if (!parseNodes(o.value(QLatin1String("children")), node->children, depth + 1, error)) {
        return nullptr;
    }
    return node;
}

bool parseNodes(const QJsonValue &value, std::vector<std::unique_ptr<FakeElementSource::Node>> &out, int depth,
                QString *error)
{
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isArray()) {
        *error = QStringLiteral("a list of menu nodes is not an array");
        return false;
    }
    for (const QJsonValue &child : value.toArray()) {
        std::unique_ptr<FakeElementSource::Node> node = parseNode(child, depth, error);
        if (!node)
            return false;
        out.push_back(std::move(node));
    }
    return true;
}

const FakeElementSource::Node *childTitled(const FakeElementSource::Node &parent, const QString &title)
{
    for (const auto &child : parent.children) {
        if (child->title == title)
            return child.get();
    }
    return nullptr;
}

} // namespace

// Counts one request for the concurrency record for as long as it runs.
class FakeElementSource::Request
{
public:
    explicit Request(FakeElementSource &source) : m_source(source)
    {
        const int running = ++m_source.m_running;
        int seen = m_source.m_maxConcurrent.load();
        while (running > seen && !m_source.m_maxConcurrent.compare_exchange_weak(seen, running)) {
        }
    }
    ~Request() { --m_source.m_running; }

private:
    FakeElementSource &m_source;
};

FakeElementSource::FakeElementSource(ReadMode mode)
    : m_mode(mode), m_systemWide(std::make_shared<FakeElement>(nullptr, nullptr))
{
}

FakeElementSource::~FakeElementSource() = default;

std::optional<int32_t> FakeElementSource::addApplication(const QJsonObject &description, QString *error)
{
    QString ignored;
    QString &why = error ? *error : ignored;
    const std::optional<int64_t> pid = optionalInt(description, "pid");
    if (!pid || *pid <= 0 || *pid > INT32_MAX) {
        why = QStringLiteral("\"pid\" must be a positive number");
        return std::nullopt;
    }
    auto app = std::make_shared<App>();
    app->root = std::make_unique<Node>();
    app->root->role = QString::fromLatin1(axrole::kApplication);
    app->root->title = optionalString(description, "title");
    if (description.contains(QLatin1String("menuBar"))) {
        app->root->menuBar = std::make_unique<Node>();
        app->root->menuBar->role = QString::fromLatin1(axrole::kMenuBar);
        if (!parseNodes(description.value(QLatin1String("menuBar")), app->root->menuBar->children, 1, &why))
            return std::nullopt;
    }
    RunningApp &running = app->running;
    running.pid = static_cast<int32_t>(*pid);
    running.name = app->root->title;
    running.appName = optionalString(description, "appName");
    running.bundleIdentifier = optionalString(description, "bundleIdentifier");
    if (!running.bundleIdentifier)
        running.bundleIdentifier = running.appName;
    running.bundlePath = optionalString(description, "bundlePath");
    running.iconName = description.value(QLatin1String("icon")).toString();
    running.preferredLanguage = optionalString(description, "language");
    running.localeDirs = stringList(description, "localeDirs");
    running.textDomains = stringList(description, "textDomains");
    if (description.value(QLatin1String("hang")).toBool())
        app->hanging.store(true);

    std::lock_guard lock(m_mutex);
    m_apps[running.pid] = std::move(app);
    return static_cast<int32_t>(*pid);
}

std::optional<int32_t> FakeElementSource::addApplicationFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(path);
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, parseError.errorString());
        return std::nullopt;
    }
    return addApplication(doc.object(), error);
}

void FakeElementSource::setFocusedApplication(std::optional<int32_t> pid)
{
    std::lock_guard lock(m_mutex);
    m_focused = pid;
}

std::shared_ptr<FakeElementSource::App> FakeElementSource::appFor(int32_t pid) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_apps.find(pid);
    return it == m_apps.end() ? nullptr : it->second;
}

ElementRef FakeElementSource::applicationElement(int32_t pid) const
{
    std::shared_ptr<App> app = appFor(pid);
    if (!app)
        return nullptr;
    const Node *root = app->root.get();
    return std::make_shared<FakeElement>(std::move(app), root);
}

ElementRef FakeElementSource::findMenuItem(int32_t pid, const QStringList &titles) const
{
    std::shared_ptr<App> app = appFor(pid);
    if (!app || !app->root->menuBar || titles.isEmpty())
        return nullptr;
    const Node *level = app->root->menuBar.get();
    const Node *found = nullptr;
    for (const QString &title : titles) {
        if (found) {
            // Step into the submenu: through the menu child when there is one.
            level = found;
            if (found->children.size() == 1 && found->children.front()->role == QLatin1String(axrole::kMenu))
                level = found->children.front().get();
        }
        found = childTitled(*level, title);
        if (!found)
            return nullptr;
    }
    return std::make_shared<FakeElement>(std::move(app), found);
}

void FakeElementSource::setRequestDelay(std::chrono::microseconds delay) { m_delayUs.store(delay.count()); }

void FakeElementSource::failReads(const QString &title, std::optional<AXAttribute> attribute)
{
    std::lock_guard lock(m_mutex);
    m_failing.emplace(title, attribute);
}

void FakeElementSource::setHanging(int32_t pid, bool hanging)
{
    if (std::shared_ptr<App> app = appFor(pid))
        app->hanging.store(hanging);
}

void FakeElementSource::vanishAfter(int32_t pid, int64_t requests)
{
    if (std::shared_ptr<App> app = appFor(pid))
        app->vanishCountdown.store(requests);
}

int64_t FakeElementSource::requestCount(const QString &title) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_requestsByTitle.find(title);
    return it == m_requestsByTitle.end() ? 0 : it->second;
}

double FakeElementSource::messagingTimeout() const { return m_timeoutUs.load() / 1e6; }

QStringList FakeElementSource::performed() const
{
    std::lock_guard lock(m_mutex);
    return m_performed;
}

size_t FakeElementSource::requestThreadCount() const
{
    std::lock_guard lock(m_mutex);
    return m_threads.size();
}

QString FakeElementSource::titleOf(const ElementRef &element)
{
    const auto *fake = dynamic_cast<const FakeElement *>(element.get());
    return fake && fake->node ? fake->node->title.value_or(QString()) : QString();
}

void FakeElementSource::spend(std::chrono::microseconds cost)
{
    if (cost.count() <= 0)
        return;
    m_simulatedUs += cost.count();
    if (m_realTime.load())
        std::this_thread::sleep_for(cost);
}

// The common part of every request: records it, pays its delay, and answers the failures the knobs ask for.
AXError FakeElementSource::begin(const ElementRef &element, std::optional<AXAttribute> attribute, const Node **node,
                                 std::shared_ptr<App> *app)
{
    ++m_requests;
    const auto *fake = dynamic_cast<const FakeElement *>(element.get());
    const QString title = fake && fake->node ? fake->node->title.value_or(QString()) : QString();
    bool failing = false;
    {
        std::lock_guard lock(m_mutex);
        m_threads.insert(std::this_thread::get_id());
        if (fake && fake->node) {
            ++m_requestsByTitle[title];
            const auto [first, last] = m_failing.equal_range(title);
            for (auto it = first; it != last; ++it)
                failing = failing || !it->second || it->second == attribute;
        }
    }
    spend(std::chrono::microseconds(m_delayUs.load()));
    if (!fake)
        return AXError::InvalidElement;
    *node = fake->node;
    *app = fake->app;
    if (!fake->app)
        return AXError::Success; // the system-wide element
    App &owner = *fake->app;
    if (owner.vanishCountdown.load() >= 0 && owner.vanishCountdown.fetch_sub(1) <= 0)
        owner.vanished.store(true);
    if (owner.vanished.load())
        return AXError::InvalidElement;
    if (owner.hanging.load() || fake->node->hang) {
        spend(std::chrono::microseconds(m_timeoutUs.load()));
        return AXError::CannotComplete;
    }
    if (failing || fake->node->failAll || (attribute && fake->node->failing.count(*attribute)))
        return AXError::Failure;
    return AXError::Success;
}

ElementRef FakeElementSource::systemWideElement() { return m_systemWide; }

AXError FakeElementSource::setMessagingTimeout(const ElementRef &element, double seconds)
{
    if (!element || !(seconds >= 0))
        return AXError::Failure;
    m_timeoutUs.store(static_cast<int64_t>(seconds * 1e6));
    return AXError::Success;
}

namespace {

template <typename T>
AXError answer(const std::optional<T> &value, AXValue &out)
{
    if (!value)
        return AXError::NoValue;
    out = *value;
    return AXError::Success;
}

} // namespace

AXError FakeElementSource::copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out)
{
    Request request(*this);
    const Node *node = nullptr;
    std::shared_ptr<App> app;
    if (const AXError error = begin(element, attribute, &node, &app); error != AXError::Success)
        return error;
    if (!node) {
        if (attribute != AXAttribute::FocusedApplication)
            return AXError::AttributeUnsupported;
        std::optional<int32_t> focused;
        {
            std::lock_guard lock(m_mutex);
            focused = m_focused;
        }
        std::shared_ptr<App> target = focused ? appFor(*focused) : nullptr;
        if (!target || target->vanished.load())
            return AXError::NoValue;
        const Node *root = target->root.get();
        out = ElementRef(std::make_shared<FakeElement>(std::move(target), root));
        return AXError::Success;
    }
    switch (attribute) {
    case AXAttribute::Title:
        return answer(node->title, out);
    case AXAttribute::Role:
        out = node->role;
        return AXError::Success;
    case AXAttribute::Enabled:
        out = node->enabled;
        return AXError::Success;
    case AXAttribute::Children: {
        ElementList children;
        children.reserve(node->children.size());
        for (const auto &child : node->children)
            children.push_back(std::make_shared<FakeElement>(app, child.get()));
        out = std::move(children);
        return AXError::Success;
    }
    case AXAttribute::MenuBar:
        if (!node->menuBar)
            return AXError::NoValue;
        out = ElementRef(std::make_shared<FakeElement>(app, node->menuBar.get()));
        return AXError::Success;
    case AXAttribute::MenuItemMarkChar:
        return answer(node->mark, out);
    case AXAttribute::MenuItemCmdChar:
        return answer(node->cmdChar, out);
    case AXAttribute::MenuItemCmdVirtualKey:
        return answer(node->virtualKey, out);
    case AXAttribute::MenuItemCmdGlyph:
        return answer(node->glyph, out);
    case AXAttribute::MenuItemCmdModifiers:
        return answer(node->modifiers, out);
    default:
        return AXError::AttributeUnsupported;
    }
}

AXError FakeElementSource::attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count)
{
    Request request(*this);
    const Node *node = nullptr;
    std::shared_ptr<App> app;
    if (const AXError error = begin(element, attribute, &node, &app); error != AXError::Success)
        return error;
    if (!node || attribute != AXAttribute::Children)
        return AXError::AttributeUnsupported;
    count = static_cast<int64_t>(node->children.size());
    return AXError::Success;
}

// As on the desktop, the process id comes from the bus, not from the application: a hanging one tells it.
AXError FakeElementSource::pid(const ElementRef &element, int32_t &pid)
{
    Request request(*this);
    const auto *fake = dynamic_cast<const FakeElement *>(element.get());
    if (!fake)
        return AXError::InvalidElement;
    if (!fake->app)
        return AXError::AttributeUnsupported;
    if (fake->app->vanished.load())
        return AXError::InvalidElement;
    pid = fake->app->running.pid;
    return AXError::Success;
}

bool FakeElementSource::applicationAnswers(const ElementRef &application)
{
    const auto *fake = dynamic_cast<const FakeElement *>(application.get());
    return !fake || !fake->app || !fake->app->hanging.load();
}

AXError FakeElementSource::performAction(const ElementRef &element, const QString &action)
{
    Request request(*this);
    const Node *node = nullptr;
    std::shared_ptr<App> app;
    if (const AXError error = begin(element, std::nullopt, &node, &app); error != AXError::Success)
        return error;
    if (!node)
        return AXError::AttributeUnsupported;
    std::lock_guard lock(m_mutex);
    m_performed << node->title.value_or(QString()) + QLatin1Char(':') + action;
    return AXError::Success;
}

AXError FakeElementSource::performActionReporting(const ElementRef &element, const QString &action,
                                                  ActionOutcome outcome)
{
    const AXError sent = performAction(element, action);
    if (sent != AXError::Success)
        return sent;
    AXError result = AXError::Success;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_pressOutcomes.find(titleOf(element));
        if (found != m_pressOutcomes.end())
            result = found->second;
    }
    if (outcome)
        outcome(result);
    return sent;
}

void FakeElementSource::setPressOutcome(const QString &title, AXError outcome)
{
    std::lock_guard lock(m_mutex);
    m_pressOutcomes[title] = outcome;
}

std::optional<RunningApp> FakeElementSource::runningApplication(int32_t pid)
{
    std::shared_ptr<App> app = appFor(pid);
    if (!app || app->vanished.load())
        return std::nullopt;
    return app->running;
}

} // namespace tavolin
