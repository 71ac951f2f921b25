#include "DataSource.h"

#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"

namespace tavolin {
namespace {

size_t slot(PanelMode mode)
{
    return static_cast<size_t>(mode);
}

constexpr int kQuickOpenRows = 9;

} // namespace

void DataSource::setProviderFactory(PanelMode mode, ProviderFactory factory)
{
    m_factories.at(slot(mode)) = std::move(factory);
}

DataProvider *DataSource::provider(PanelMode mode)
{
    const ProviderFactory &factory = m_factories.at(slot(mode));
    return factory ? &factory() : nullptr;
}

qsizetype DataSource::numberOfRows()
{
    DataProvider *current = provider();
    return current ? current->numberOfRows() : 0;
}

bool DataSource::hasFilter()
{
    DataProvider *current = provider();
    return current && current->filteredParent() != nullptr;
}

void DataSource::exitPanel()
{
    if (m_exitPanel)
        m_exitPanel();
}

int DataSource::visibleRowLimit(PanelMode mode, const SettingsDomain &settings)
{
    return mode == PanelMode::QuickOpen ? kQuickOpenRows : settings::listNumber(settings);
}

} // namespace tavolin
