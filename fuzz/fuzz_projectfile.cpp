// The project file: a JSON document is loaded whole, with the solids of its tracks; anything
// else is taken as the shape text the document embeds (in Base64), which a mutation of the
// document would rarely reach.
#include "fuzzsupport.h"

#include "model/footprintdata.h"
#include "project/projectfile.h"
#include "project/projectmanager.h"

#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    if (size > 0 && data[0] == '{') {
        ProjectManager project;
        QList<QJsonObject> placed;
        QList<FootprintData> footprints;
        project.loadProject(FuzzSupport::writeInput(data, size, ".vtq"), placed, footprints);
        // What the window then builds of each track: a solid of absurd reach froze it.
        for (const Route& route : project.routingManager().routes())
            RoutingManager::createRouteShape(route);
    } else {
        decodeShapeFromBase64(QString::fromLatin1(FuzzSupport::bytes(data, size).toBase64()));
    }
    return 0;
}
