// Pad solids, body boxes and the measures of a footprint they rest on. Geometry only: nothing
// here displays anything or touches the library's state.

#include "components/footprintmanager.h"

#include "components/footprintmanager_placement_p.h"
#include "foundation/geometryutils.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"

#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <QDebug>
#include <gp_Ax2.hxx>
#include <gp_Pnt.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using FootprintPlacement::kFallbackHeight;
using FootprintPlacement::kFallbackSize;
using FootprintPlacement::kZeroLength;

constexpr double kMinRotation = 1e-7;     // degrees
// Beyond a kilometre a "dimension" is corrupt data; OCCT treats ~1e100 as infinite and would
// build nonsense long before that.
constexpr double kMaxLength = 1e6;        // mm

constexpr double kGenericMinX = -2.5;
constexpr double kGenericMaxX = 2.5;
constexpr double kGenericMinY = -1.25;
constexpr double kGenericMaxY = 1.25;

bool isSaneLength(double value)
{
    return std::isfinite(value) && std::abs(value) < kMaxLength;
}

bool hasPositiveSize(const FootprintPad& pad)
{
    return pad.width > 0.0 && pad.height > 0.0;
}

} // namespace

TopoDS_Shape FootprintManager::extrudePadWithUndercut(const FootprintPad& pad, double thickness, double undercut)
{
    if (!hasPositiveSize(pad))
        return TopoDS_Shape();

    const double totalHeight = thickness + undercut;
    if (!isSaneLength(pad.width) || !isSaneLength(pad.height) || !isSaneLength(thickness)
        || !isSaneLength(undercut) || !std::isfinite(pad.rotation) || !(totalHeight > kZeroLength)) {
        qWarning() << "extrudePadWithUndercut: invalid dimensions for pad" << pad.number << "(" << pad.width << "x"
                   << pad.height << ", thickness=" << thickness << ", undercut=" << undercut
                   << ", rotation=" << pad.rotation << ")";
        return TopoDS_Shape();
    }

    qCDebug(lcFootprint()) << "extrudePadWithUndercut: pad" << pad.number << "thickness" << thickness
                           << "mm (downwards), undercut" << undercut << "mm (upwards), Z from" << -thickness
                           << "to" << undercut;

    return OccUtils::guardedCall(TopoDS_Shape(), "extrudePadWithUndercut", [&]() -> TopoDS_Shape {
        const QString shape = pad.shape.toLower();
        if (shape == QLatin1String("circle") || shape == QLatin1String("oval")) {
            const double radius = 0.5 * std::min(pad.width, pad.height);
            BRepPrimAPI_MakeCylinder maker(gp_Ax2(gp_Pnt(0.0, 0.0, -thickness), gp::DZ()), radius, totalHeight);
            maker.Build();
            if (!maker.IsDone())
                return TopoDS_Shape();
            qCDebug(lcFootprint()) << "  → cylinder, radius" << radius << "height" << totalHeight;
            return maker.Shape();
        }

        BRepPrimAPI_MakeBox maker(gp_Pnt(-pad.width / 2.0, -pad.height / 2.0, -thickness), pad.width, pad.height,
                                  totalHeight);
        maker.Build();
        if (!maker.IsDone())
            return TopoDS_Shape();
        if (std::abs(pad.rotation) <= kMinRotation) {
            qCDebug(lcFootprint()) << "  → box" << pad.width << "x" << pad.height << "x" << totalHeight;
            return maker.Shape();
        }

        // A huge angle is finite in degrees but not once multiplied by π: OCCT's mesher then loops.
        const double degrees = GeometryUtils::normalizeAngle360(pad.rotation);
        const gp_Trsf turn = GeometryUtils::createRotationZ(gp_Pnt(0.0, 0.0, 0.0), degrees * M_PI / 180.0);
        BRepBuilderAPI_Transform turned(maker.Shape(), turn, Standard_True);
        if (!turned.IsDone())
            return TopoDS_Shape();
        qCDebug(lcFootprint()) << "  → box" << pad.width << "x" << pad.height << "x" << totalHeight << "turned by"
                               << pad.rotation << "degrees";
        return turned.Shape();
    });
}

TopoDS_Shape FootprintManager::buildBodyBox(const FootprintData& footprint, double width, double length,
                                            double height, double offsetZ)
{
    const bool finite = isSaneLength(width) && isSaneLength(length) && isSaneLength(height) && isSaneLength(offsetZ);
    if (!finite || width < kZeroLength || length < kZeroLength || height < kZeroLength) {
        qWarning() << "buildBodyBox: degenerate dimensions for" << footprint.name << "(" << width << "x" << length
                   << "x" << height << ", offsetZ=" << offsetZ << ")";
        return TopoDS_Shape();
    }

    // Pads far out (a corrupt or hand-edited record) put the centre out of range, or at
    // infinity once their sum overflows; OCCT would build a box with no usable bounds.
    const QPointF centre = footprintCenter(footprint);
    if (!isSaneLength(centre.x()) || !isSaneLength(centre.y())) {
        qWarning() << "buildBodyBox: footprint centre out of range for" << footprint.name << "(" << centre.x()
                   << "," << centre.y() << ")";
        return TopoDS_Shape();
    }
    return OccUtils::guardedCall(TopoDS_Shape(), "buildBodyBox", [&]() -> TopoDS_Shape {
        BRepPrimAPI_MakeBox maker(gp_Pnt(centre.x() - width / 2.0, centre.y() - length / 2.0, offsetZ), width,
                                  length, height);
        maker.Build();
        if (!maker.IsDone()) {
            qWarning() << "buildBodyBox: MakeBox failed for" << footprint.name;
            return TopoDS_Shape();
        }
        return maker.Shape();
    });
}

void FootprintManager::calculateFootprintBounds(const FootprintData& footprint, double& minX, double& maxX,
                                                double& minY, double& maxY)
{
    minX = minY = std::numeric_limits<double>::max();
    maxX = maxY = -std::numeric_limits<double>::max();

    for (const FootprintPad& pad : footprint.copperPads) {
        if (!hasPositiveSize(pad))
            continue;
        minX = std::min(minX, pad.posX - pad.width / 2.0);
        maxX = std::max(maxX, pad.posX + pad.width / 2.0);
        minY = std::min(minY, pad.posY - pad.height / 2.0);
        maxY = std::max(maxY, pad.posY + pad.height / 2.0);
    }

    if (minX > maxX || minY > maxY) {
        qWarning() << "calculateFootprintBounds: no valid pad for" << footprint.name << "— generic dimensions used";
        minX = kGenericMinX;
        maxX = kGenericMaxX;
        minY = kGenericMinY;
        maxY = kGenericMaxY;
    }
}

// The first source that has points decides: pads of positive size, else every track point
// (whatever the track's width), else the zone vertices. A footprint drawn with tracks or zones
// only is thus centred on what it draws, so its body (the cavity) lands over its copper.
QPointF FootprintManager::footprintCenter(const FootprintData& footprint)
{
    double sumX = 0.0;
    double sumY = 0.0;
    int count = 0;
    const auto add = [&](double x, double y) {
        sumX += x;
        sumY += y;
        ++count;
    };
    for (const FootprintPad& pad : footprint.copperPads) {
        if (hasPositiveSize(pad))
            add(pad.posX, pad.posY);
    }
    if (count == 0) {
        for (const FootprintTrack& track : footprint.copperTracks) {
            for (const QPointF& p : track.points)
                add(p.x(), p.y());
        }
    }
    if (count == 0) {
        for (const FootprintZone& zone : footprint.zones) {
            for (const QPointF& p : zone.outline)
                add(p.x(), p.y());
        }
    }
    if (count == 0)
        return QPointF(0.0, 0.0);
    return QPointF(sumX / count, sumY / count);
}

bool FootprintManager::hasUsableGeometry(const FootprintData& footprint)
{
    const auto& pads = footprint.copperPads;
    if (std::any_of(pads.cbegin(), pads.cend(), hasPositiveSize))
        return true;
    const auto& tracks = footprint.copperTracks;
    if (std::any_of(tracks.cbegin(), tracks.cend(),
                    [](const FootprintTrack& t) { return t.points.size() >= 2 && t.width > 0.0; }))
        return true;
    return !footprint.zones.isEmpty();
}

void FootprintManager::bodyDimensions(const FootprintData& footprint, double& width, double& length)
{
    if (footprint.bodyWidthOverride > 0.0 && footprint.bodyLengthOverride > 0.0) {
        width = footprint.bodyWidthOverride;
        length = footprint.bodyLengthOverride;
        return;
    }
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    calculateFootprintBounds(footprint, minX, maxX, minY, maxY);
    width = (maxX - minX) + 2.0 * footprint.bodyMarginX;
    length = (maxY - minY) + 2.0 * footprint.bodyMarginY;
}

TopoDS_Shape FootprintManager::createFallbackBody(const gp_Pnt& position)
{
    if (!isSaneLength(position.X()) || !isSaneLength(position.Y()) || !isSaneLength(position.Z())) {
        qWarning() << "createFallbackBody: invalid position (" << position.X() << position.Y() << position.Z()
                   << ")";
        return TopoDS_Shape();
    }
    return OccUtils::guardedCall(TopoDS_Shape(), "createFallbackBody", [&]() -> TopoDS_Shape {
        const double half = kFallbackSize / 2.0;
        BRepPrimAPI_MakeBox maker(gp_Pnt(position.X() - half, position.Y() - half, position.Z()), kFallbackSize,
                                  kFallbackSize, kFallbackHeight);
        maker.Build();
        if (!maker.IsDone()) {
            qWarning() << "createFallbackBody: MakeBox failed";
            return TopoDS_Shape();
        }
        qCDebug(lcFootprint()) << "  → Fallback body created:" << kFallbackSize << "x" << kFallbackSize << "x"
                               << kFallbackHeight << "mm";
        return maker.Shape();
    });
}
