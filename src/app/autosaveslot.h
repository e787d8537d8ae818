// The side file of one running copy of the program, held with a lock file beside it for as long
// as the copy works on it, so two copies never write over or delete each other's work; a copy
// that died leaves a stale lock and its file, which the next copies offer to recover; a new
// claim takes a name whose file is gone, so that it never writes over such work.
//
// Untitled designs: the first free name of "untitled.vtq.autosave", "untitled-2.vtq.autosave",
// ... in the data folder. Named projects: "<project>.autosave", then "<project>~2.autosave", ...
// beside the project file itself (whatever link or spelling of the path names it); the copy that
// opens a project holds one of them for as long as the project stays open, which is how a second
// copy learns that the project is open elsewhere.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLockFile;

class AutoSaveSlot
{
public:
    // A running copy that holds a lock, as its lock file names it.
    struct Holder
    {
        qint64 pid = 0;
        QString host;
        bool operator==(const Holder& o) const { return pid == o.pid && host == o.host; }
        // This very process: the same process id on the same machine.
        bool isThisProcess() const;
    };

    AutoSaveSlot();
    ~AutoSaveSlot();
    AutoSaveSlot(const AutoSaveSlot&) = delete;
    AutoSaveSlot& operator=(const AutoSaveSlot&) = delete;

    // The untitled side file this object holds in the folder, claiming one first when it holds
    // none there; empty when every name is held by another running copy.
    QString pathIn(const QString& folder);
    // The side file this object holds for the project, claiming one first when it holds none
    // for it. A preferred side file of the project (one whose work was just recovered, or kept)
    // is taken over when no running copy holds it.
    QString claimFor(const QString& projectPath, const QString& preferred = QString());
    bool holdsProject(const QString& projectPath) const;
    QString heldPath() const { return m_path; }
    void release();
    // Removes the side file this object holds, then its lock: the work was saved or thrown away.
    void discard();

    // "untitled.vtq.autosave" for index 1, "untitled-<index>.vtq.autosave" after it.
    static QString fileName(int index);
    // "<project>.autosave" for index 1, "<project>~<index>.autosave" after it.
    static QString sideFilePath(const QString& projectPath, int index);
    // Untitled side files of the folder that no running copy holds, newest first.
    static QStringList unclaimedFiles(const QString& folder);
    // Side files of the project that no running copy holds (left by copies that died, or by
    // an earlier version), newest first.
    static QStringList unclaimedSideFiles(const QString& projectPath);
    // The running copies, other than the caller's own claim, that hold a side file of the
    // project: the copies that have it open, here or on another machine of a shared folder.
    QList<Holder> otherHolders(const QString& projectPath) const;
    // Whether a running copy holds this side file.
    static bool isHeld(const QString& sideFile);
    // The project file that a path names, whatever its spelling: links to the file or to a
    // folder, "..", "//". Side files are named after it, so that every spelling finds them.
    static QString projectKey(const QString& projectPath);
    static bool sameProject(const QString& a, const QString& b)
    {
        return projectKey(a) == projectKey(b);
    }

    static constexpr int kMaxSlots = 64;

private:
    QString claim(const QString& key, const std::function<QString(int)>& pathOf);

    QString m_key; // the folder of an untitled slot, the project of a named one
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
