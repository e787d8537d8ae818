// Tells the user which components were placed without a footprint and how to fix them.
#pragma once

#include "model/missingfootprintinfo.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class MissingFootprintsDialog : public QDialog
{
    Q_OBJECT

public:
    // The result when the user asks for the footprint folders: the caller opens them.
    static constexpr int ChooseFootprintFolders = 2;

    // footprintFolders: the folders the lookup searched; the advice depends on them.
    MissingFootprintsDialog(const QList<MissingFootprintInfo>& missing, const QStringList& footprintFolders,
                            QWidget* parent = nullptr);

    // The footprint folder of an installed KiCad, empty when none is found.
    static QString kicadFootprintFolder();

private:
    void copyListToClipboard();

    QList<MissingFootprintInfo> m_missingFootprints;
};
