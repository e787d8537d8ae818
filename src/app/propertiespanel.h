// The right-hand column of the window: the editable parameters of the selected component or
// the data of the selected track. It turns edits into signals and never touches the models.
#pragma once

#include "model/componentproperties.h"
#include "model/routerecords.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QVBoxLayout;

class PropertiesPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PropertiesPanel(QWidget* parent = nullptr);

    void showComponent(const QString& ref, const ComponentProperties& props, bool missingFootprint);
    void showTrack(int routeIndex, const QString& net, const QString& startRef, const QString& startPad,
                   const QString& endRef, const QString& endPad, int segmentCount, double width, double height);
    void clearSelection();

    // Fields the user left alone keep the value they were shown with, not the spin box's
    // rounded or clamped copy of it.
    ComponentProperties collectComponentProperties() const;
    TrackProperties trackProperties() const;

    const QString& currentReference() const { return m_currentReference; }
    int currentRouteIndex() const { return m_currentRouteIndex; }

signals:
    void propertiesApplied(const QString& ref, const ComponentProperties& props);
    void moveComponent(const QString& ref, double deltaX, double deltaY, double deltaZ);
    void rotateComponent(const QString& ref, double deltaAngle);
    void browseFootprint(const QString& ref);
    void trackPropertiesApplied(int routeIndex, const TrackProperties& props);

public slots:
    void onApplyClicked();
    void onBrowseFootprintClicked();
    void onRotate90CW();
    void onRotate90CCW();
    void onResetRotation();
    void onTrackApplyClicked();

private:
    void setupUi();
    QWidget* createEmptyPage();
    QWidget* createComponentPage();
    QWidget* createTrackPage();
    QTableWidget* createPropertyTable(int rowCount);
    void addPropertyRow(QTableWidget* table, int row, const QString& label, QWidget* editor);
    void createComponentPropertiesTable();
    void createMovementControls(QVBoxLayout* layout);
    QPushButton* createMoveButton(const QString& text, double dx, double dy, double dz);
    QDoubleSpinBox* createSpin(double minimum, double maximum, int decimals, const QString& suffix);
    void setSpin(QDoubleSpinBox* spin, double value);
    double spinValue(const QDoubleSpinBox* spin, double shown) const;

    QStackedWidget* m_stack = nullptr;
    QLabel* m_headerLabel = nullptr;
    QString m_currentReference;
    int m_currentRouteIndex = -1;
    QTableWidget* m_componentTable = nullptr;
    QLineEdit* m_footprintNameEdit = nullptr;
    QLineEdit* m_footprintPathEdit = nullptr;
    QDoubleSpinBox* m_posXSpin = nullptr;
    QDoubleSpinBox* m_posYSpin = nullptr;
    QDoubleSpinBox* m_posZSpin = nullptr;
    QDoubleSpinBox* m_thicknessSpin = nullptr;
    QDoubleSpinBox* m_undercutSpin = nullptr;
    QDoubleSpinBox* m_padScaleSpin = nullptr;
    QDoubleSpinBox* m_bodyWidthSpin = nullptr;
    QDoubleSpinBox* m_bodyLengthSpin = nullptr;
    QDoubleSpinBox* m_bodyHeightSpin = nullptr;
    QDoubleSpinBox* m_bodyOffsetZSpin = nullptr;
    QCheckBox* m_bodyEnabledCheck = nullptr;
    QDoubleSpinBox* m_rotationSpin = nullptr;
    QPushButton* m_applyButton = nullptr;
    QPushButton* m_browseButton = nullptr;
    QDoubleSpinBox* m_stepSpin = nullptr;
    QPushButton* m_moveXPlusButton = nullptr;
    QPushButton* m_moveXMinusButton = nullptr;
    QPushButton* m_moveYPlusButton = nullptr;
    QPushButton* m_moveYMinusButton = nullptr;
    QPushButton* m_moveZPlusButton = nullptr;
    QPushButton* m_moveZMinusButton = nullptr;
    QPushButton* m_rotateCwButton = nullptr;
    QPushButton* m_rotateCcwButton = nullptr;
    QPushButton* m_resetRotationButton = nullptr;
    QList<QWidget*> m_componentControls;
    QTableWidget* m_trackTable = nullptr;
    QLabel* m_trackNetLabel = nullptr;
    QLabel* m_trackStartLabel = nullptr;
    QLabel* m_trackEndLabel = nullptr;
    QLabel* m_trackSegmentsLabel = nullptr;
    QDoubleSpinBox* m_trackWidthSpin = nullptr;
    QDoubleSpinBox* m_trackHeightSpin = nullptr;
    QPushButton* m_trackApplyButton = nullptr;

    // What showComponent was given, and what each spin box showed of it.
    ComponentProperties m_shownProperties;
    QHash<const QDoubleSpinBox*, double> m_shownSpinValues;
};
