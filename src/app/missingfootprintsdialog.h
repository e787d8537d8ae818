// Tells the user which components were placed without a footprint and how to fix them.
#pragma once

#include "model/missingfootprintinfo.h"

#include <QDialog>
#include <QList>
#include <QString>

class MissingFootprintsDialog : public QDialog
{
    Q_OBJECT

public:
    // The result when the user asks for the footprint folders: the caller opens them.
    static constexpr int ChooseFootprintFolders = 2;

    // footprintFoldersSet false: no folder was searched at all, and the dialog says so first.
    explicit MissingFootprintsDialog(const QList<MissingFootprintInfo>& missing,
                                     QWidget* parent = nullptr, bool footprintFoldersSet = true);

    // The footprint folder of an installed KiCad, empty when none is found.
    static QString kicadFootprintFolder();

private:
    void copyListToClipboard();

    QList<MissingFootprintInfo> m_missingFootprints;
};
