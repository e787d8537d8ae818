// The untitled side file of one running copy of the program. Each copy claims the first free
// name of "untitled.vtq.autosave", "untitled-2.vtq.autosave", ... in the data folder and holds a
// lock file beside it for its whole life, so two copies never write over each other's work; a
// copy that died leaves a stale lock and its file, which the next copies offer to recover; a
// new claim takes a name whose file is gone, so that it never writes over such work.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

class AutoSaveSlot
{
public:
    AutoSaveSlot();
    ~AutoSaveSlot();
    AutoSaveSlot(const AutoSaveSlot&) = delete;
    AutoSaveSlot& operator=(const AutoSaveSlot&) = delete;

    // The side file this object holds in the folder, claiming one first when it holds none
    // there; empty when every name is held by another running copy.
    QString pathIn(const QString& folder);
    void release();
    // Removes the side file this object holds, then its lock: the work was saved or thrown away.
    void discard();

    // "untitled.vtq.autosave" for index 1, "untitled-<index>.vtq.autosave" after it.
    static QString fileName(int index);
    // Untitled side files of the folder that no running copy holds, newest first.
    static QStringList unclaimedFiles(const QString& folder);

    static constexpr int kMaxSlots = 64;

private:
    QString m_folder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
