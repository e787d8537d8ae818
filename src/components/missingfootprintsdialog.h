// Tells the user which components were placed without a footprint and how to fix them.
#pragma once

#include "model/missingfootprintinfo.h"

#include <QDialog>
#include <QList>

class MissingFootprintsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MissingFootprintsDialog(const QList<MissingFootprintInfo>& missing,
                                     QWidget* parent = nullptr);

private:
    void copyListToClipboard();

    QList<MissingFootprintInfo> m_missingFootprints;
};
