#pragma once

#include "palette/DataProvider.h"
#include "palette/PanelMode.h"

#include <array>
#include <functional>

namespace tavolin {

class SettingsDomain;

// The panel's current mode and, through it, the current row provider. Callers ask for the provider at the
// moment of use and never keep it across calls.
//
// Providers live in the layers that build them (menus and options here, files above), so each registers a
// factory at start-up; a provider is created by its factory on first use. Main thread only.
class DataSource
{
public:
    using ProviderFactory = std::function<DataProvider &()>;

    DataSource() = default;

    PanelMode mode() const { return m_mode; }
    // Only the panel's mode switch and the quick-open controller change it.
    void setMode(PanelMode mode) { m_mode = mode; }

    // Registers (or replaces; empty removes) the provider of a mode.
    void setProviderFactory(PanelMode mode, ProviderFactory factory);
    // The provider of `mode`, or of the current mode; null when none is registered.
    DataProvider *provider(PanelMode mode);
    DataProvider *provider() { return provider(m_mode); }

    // The current provider's row count; 0 without a provider.
    qsizetype numberOfRows();
    // The current provider has entered a row.
    bool hasFilter();

    // Closes the panel (set by the panel; placeholders of the history call it after performing a command).
    void setExitPanel(std::function<void()> exitPanel) { m_exitPanel = std::move(exitPanel); }
    void exitPanel();

    // Rows shown without scrolling: 9 in QuickOpen; else "listNumber" when at least 1, else 7.
    static int visibleRowLimit(PanelMode mode, const SettingsDomain &settings);

private:
    PanelMode m_mode = PanelMode::CommandPalette;
    std::array<ProviderFactory, 3> m_factories;
    std::function<void()> m_exitPanel;
};

} // namespace tavolin
