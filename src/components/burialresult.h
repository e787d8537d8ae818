// How much of one component body lies inside the part, with the objects shown in its place.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <Standard_Handle.hxx>

class AIS_Shape;

struct BurialResult
{
    Q_DECLARE_TR_FUNCTIONS(BurialResult)

public:
    opencascade::handle<AIS_Shape> buriedShape;  // the body inside the part
    opencascade::handle<AIS_Shape> freeShape;    // the body outside; the whole body when apart
    opencascade::handle<AIS_Shape> contourShape; // section curves of body and part
    double buriedVolume = 0.0;                   // mm³
    double freeVolume = 0.0;                     // mm³
    double buriedRatio = 0.0;                    // 0 to 1
    bool analysed = false;                       // the computation ran to its end
    bool intersects = false;                     // buriedVolume above 1e-7 mm³
    QString error;                               // why analysed is false

    QString text(const QString& ref) const;
};
