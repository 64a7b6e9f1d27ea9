#include "support/WindowFixture.h"

#include <QFile>
#include <QTest>

WindowFixture::WindowFixture(HidPlatform* platform_, const QString& iniText)
    : platform(platform_ ? platform_ : &dormant)
{
    if (!iniText.isNull()) {
        QFile file(iniPath());
        if (file.open(QIODevice::WriteOnly))
            file.write(iniText.toUtf8());
    }
}

WindowFixture::~WindowFixture()
{
    frm.reset();
}

QString WindowFixture::iniPath() const
{
    return dir.filePath(QStringLiteral("Quintara.ini"));
}

QString WindowFixture::journalPath() const
{
    return journalFile.isEmpty() ? dir.filePath(QStringLiteral("recording.journal")) : journalFile;
}

TMainFrm& WindowFixture::window()
{
    if (!frm) {
        TMainFrmSeams seams;
        seams.Platform = platform;
        seams.Dlg = &dialogs;
        seams.IniFileName = iniPath();
        seams.JournalFileName = journalPath();
        frm = std::make_unique<TMainFrm>(seams);
    }
    return *frm;
}

bool WindowFixture::close()
{
    if (!frm)
        return true;
    frm->show();
    const bool closed = frm->close();
    if (closed)
        frm.reset();
    return closed;
}
