// The properties panel's states: what it shows of a component or a track, what it reads
// back from its editors, and the signals of its buttons.
#include "app/propertiespanel.h"

#include "foundation/uitheme.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>

namespace {

const char* const kPathStyle = "QLineEdit {  background-color: palette(window);  color: palette(text);  border: 1px "
                               "solid palette(mid);}";
const char* const kMissingBrowseStyle =
    "QPushButton {   background-color: #ff6666;   color: white;   font-weight: bold;   font-size: 12px;   padding: "
    "8px;   border: none;   border-radius: 4px; }QPushButton:hover { background-color: #ff4444; "
    "}QPushButton:pressed { background-color: #cc0000; }";

QString endText(const QString& ref, const QString& pad)
{
    if (ref.isEmpty())
        return QStringLiteral("-");
    if (pad.isEmpty())
        return ref;
    return QStringLiteral("%1 / %2").arg(ref, pad);
}

} // namespace

void PropertiesPanel::setSpin(QDoubleSpinBox* spin, double value)
{
    spin->setValue(value);
    m_shownSpinValues.insert(spin, spin->value());
}

double PropertiesPanel::spinValue(const QDoubleSpinBox* spin, double shown) const
{
    const auto it = m_shownSpinValues.constFind(spin);
    if (it != m_shownSpinValues.constEnd() && it.value() == spin->value())
        return shown;
    return spin->value();
}

void PropertiesPanel::showComponent(const QString& ref, const ComponentProperties& props, bool missingFootprint)
{
    m_currentReference = ref;
    m_currentRouteIndex = -1;
    m_shownProperties = props;

    m_headerLabel->setText(tr("Selected component: %1").arg(ref));
    UiTheme::setNormal(m_headerLabel);
    m_headerLabel->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; }"));

    auto* referenceLabel = qobject_cast<QLabel*>(m_componentTable->cellWidget(0, 1));
    referenceLabel->setText(ref);
    m_footprintNameEdit->setText(props.footprintName);
    m_footprintPathEdit->setText(props.footprintPath);

    if (missingFootprint) {
        const QString error = UiTheme::errorColor(palette()).name();
        const QString editStyle =
            QStringLiteral("QLineEdit {  color: %1;  font-weight: bold;  border: 2px solid %1;}").arg(error);
        m_footprintNameEdit->setStyleSheet(editStyle);
        m_footprintPathEdit->setStyleSheet(editStyle);
        m_footprintPathEdit->setText(tr("⚠ MISSING FOOTPRINT"));
        m_headerLabel->setText(tr("⚠ %1 - MISSING FOOTPRINT").arg(ref));
        m_headerLabel->setStyleSheet(UiTheme::labelStyleSheet(UiTheme::errorColor(palette()),
                                                              QStringLiteral("font-weight: bold; font-size: 14px")));
        m_browseButton->setText(tr("🔍 Browse footprint..."));
        m_browseButton->setStyleSheet(QString::fromLatin1(kMissingBrowseStyle));
    } else {
        m_footprintNameEdit->setStyleSheet(QString());
        m_footprintPathEdit->setStyleSheet(QString::fromLatin1(kPathStyle));
        m_browseButton->setText(tr("Browse footprint..."));
        m_browseButton->setStyleSheet(QString());
        if (!props.footprintPath.isEmpty() && props.footprintPath != QLatin1String("N/A"))
            referenceLabel->setText(QStringLiteral("✓ ") + ref);
    }

    setSpin(m_posXSpin, props.posX);
    setSpin(m_posYSpin, props.posY);
    setSpin(m_posZSpin, props.posZ);
    setSpin(m_rotationSpin, props.rotation);
    setSpin(m_thicknessSpin, props.footprintThickness);
    setSpin(m_undercutSpin, props.bodyUndercut);
    setSpin(m_padScaleSpin, props.padXYScale);
    setSpin(m_bodyWidthSpin, props.bodyWidth);
    setSpin(m_bodyLengthSpin, props.bodyLength);
    setSpin(m_bodyHeightSpin, props.bodyHeight);
    setSpin(m_bodyOffsetZSpin, props.bodyOffsetZ);

    for (QWidget* control : std::as_const(m_componentControls))
        control->setEnabled(true);
    m_bodyEnabledCheck->setChecked(props.bodyEnabled);
    m_bodyEnabledCheck->setEnabled(!missingFootprint);
    m_stack->setCurrentIndex(1);
}

void PropertiesPanel::showTrack(int routeIndex, const QString& net, const QString& startRef,
                                const QString& startPad, const QString& endRef, const QString& endPad,
                                int segmentCount, double width, double height)
{
    m_currentRouteIndex = routeIndex;
    m_currentReference.clear();
    const QString netText = net.isEmpty() ? tr("(unnamed)") : net;
    m_headerLabel->setText(tr("Selected track: %1").arg(netText));
    UiTheme::setNormal(m_headerLabel);
    m_headerLabel->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; }"));
    m_trackNetLabel->setText(netText);
    m_trackStartLabel->setText(endText(startRef, startPad));
    m_trackEndLabel->setText(endText(endRef, endPad));
    m_trackSegmentsLabel->setText(QString::number(segmentCount));
    m_trackWidthSpin->setValue(width);
    m_trackHeightSpin->setValue(height);
    m_trackApplyButton->setEnabled(true);
    m_stack->setCurrentIndex(2);
}

void PropertiesPanel::clearSelection()
{
    m_currentReference.clear();
    m_currentRouteIndex = -1;
    m_headerLabel->setText(tr("No selection"));
    m_headerLabel->setStyleSheet(QStringLiteral("QLabel { font-style: italic; }"));
    UiTheme::setMuted(m_headerLabel);
    m_stack->setCurrentIndex(0);
}

ComponentProperties PropertiesPanel::collectComponentProperties() const
{
    // Without a component shown, the shown values are the defaults and every editor counts.
    const ComponentProperties& shown = m_shownProperties;
    ComponentProperties p;
    p.footprintName = m_footprintNameEdit->text();
    p.footprintPath = m_footprintPathEdit->text();
    p.posX = spinValue(m_posXSpin, shown.posX);
    p.posY = spinValue(m_posYSpin, shown.posY);
    p.posZ = spinValue(m_posZSpin, shown.posZ);
    p.rotation = spinValue(m_rotationSpin, shown.rotation);
    p.footprintThickness = spinValue(m_thicknessSpin, shown.footprintThickness);
    p.bodyUndercut = spinValue(m_undercutSpin, shown.bodyUndercut);
    p.padXYScale = spinValue(m_padScaleSpin, shown.padXYScale);
    p.bodyWidth = spinValue(m_bodyWidthSpin, shown.bodyWidth);
    p.bodyLength = spinValue(m_bodyLengthSpin, shown.bodyLength);
    p.bodyHeight = spinValue(m_bodyHeightSpin, shown.bodyHeight);
    p.bodyOffsetZ = spinValue(m_bodyOffsetZSpin, shown.bodyOffsetZ);
    p.bodyEnabled = m_bodyEnabledCheck->isChecked();
    return p;
}

TrackProperties PropertiesPanel::trackProperties() const
{
    TrackProperties properties;
    if (m_trackWidthSpin)
        properties.width = m_trackWidthSpin->value();
    if (m_trackHeightSpin)
        properties.height = m_trackHeightSpin->value();
    return properties;
}

void PropertiesPanel::onApplyClicked()
{
    if (!m_currentReference.isEmpty())
        emit propertiesApplied(m_currentReference, collectComponentProperties());
}

void PropertiesPanel::onBrowseFootprintClicked()
{
    if (!m_currentReference.isEmpty())
        emit browseFootprint(m_currentReference);
}

void PropertiesPanel::onRotate90CW()
{
    if (!m_currentReference.isEmpty())
        emit rotateComponent(m_currentReference, -90.0);
}

void PropertiesPanel::onRotate90CCW()
{
    if (!m_currentReference.isEmpty())
        emit rotateComponent(m_currentReference, 90.0);
}

void PropertiesPanel::onResetRotation()
{
    // The stored angle, not the spin box's rounded copy, so that the reset lands on 0.
    if (!m_currentReference.isEmpty())
        emit rotateComponent(m_currentReference, -spinValue(m_rotationSpin, m_shownProperties.rotation));
}

void PropertiesPanel::onTrackApplyClicked()
{
    if (m_currentRouteIndex >= 0)
        emit trackPropertiesApplied(m_currentRouteIndex, trackProperties());
}
