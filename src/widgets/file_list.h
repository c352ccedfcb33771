// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

namespace lumaport {

/// Files of one folder that match a pattern such as "*.jpg" (letter case ignored). clicked() runs at once
/// whenever a file becomes selected, by the user or by code.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    /// Lists another folder; a folder that does not exist or can't be read fails and keeps the last listing.
    bool setPath(const QString& path, QString* error = nullptr);
    QString pattern() const { return m_pattern; }
    bool setPattern(const QString& pattern, QString* error = nullptr);
    /// Bare name of the selected file (of several, the one clicked last); empty when none is selected.
    QString fileName() const;
    /// Bare names of the selected files, in the list's order.
    QStringList fileNames() const;
    /// Selects the listed files of these names, the last one as the one clicked last; clicked() runs once.
    /// Fails, selecting nothing, when the list doesn't hold one of them.
    bool setFileNames(const QStringList& names, QString* error = nullptr);
    /// Selects the listed file of that name; fails when the list doesn't hold it.
    bool setFileName(const QString& name, QString* error = nullptr);
    QString list(int index) const;
    int listCount() const { return count(); }
    /// Lists another folder under another pattern in one pass.
    bool setPathAndPattern(const QString& path, const QString& pattern, QString* error = nullptr);
    /// Re-reads the folder.
    bool refresh(QString* error = nullptr);

Q_SIGNALS:
    void clicked();

private:
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    bool m_relisting = false;
};

} // namespace lumaport
