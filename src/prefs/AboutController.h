#pragma once

#include "Pane.h"
#include "PrefsContext.h"

class QLabel;

namespace tavolin {

// About pane: version and links to the documentation, license, credits and support address.
class AboutController : public Pane
{
    Q_OBJECT
public:
    // `paletteExecutable` is the palette program whose version is shown ("" when it is not installed; the
    // version is this program's, as both are built together).
    AboutController(PrefsContext &context, const QString &paletteExecutable, QWidget *parent = nullptr);

    void loadSettings() override {}

    QLabel *versionLabel() const { return m_versionLabel; }

    void openSupport();
    void openLicenseAgreement();
    void openCredits();
    void openContact();

private:
    PrefsContext &m_context;
    QLabel *m_versionLabel;
};

} // namespace tavolin
