#include "platform/RealComponents.h"

#include <QSettings>
#include <QString>

namespace ze6 {

namespace {

// The product's own settings store: organisation "Ranzel", application = the
// product key. Unset keys read as empty.
class QtProductSettings final : public ProductSettings {
public:
    void SetProductKey(const std::string& key) override { m_key = key; }

    void Load() override
    {
        QSettings settings(QStringLiteral("Ranzel"), QString::fromStdString(m_key));
        m_configFolder = settings.value(QStringLiteral("ConfigFolder")).toString().toStdString();
        m_dataFolder = settings.value(QStringLiteral("DataFolder")).toString().toStdString();
    }

    std::string ConfigFolder() const override { return m_configFolder; }
    std::string DataFolder() const override { return m_dataFolder; }

private:
    std::string m_key;
    std::string m_configFolder;
    std::string m_dataFolder;
};

} // namespace

std::unique_ptr<ProductSettings> MakeQtProductSettings()
{
    return std::make_unique<QtProductSettings>();
}

} // namespace ze6
