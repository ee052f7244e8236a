#pragma once
// New analysis databases are whole copies of the template database.
#include <QString>

// The template database: the file "telmira" in the given program folder.
QString templatePathIn(const QString &programFolder);

// Copies the template file whole to targetPath. The copy is written beside the
// target under a temporary name and renamed into place: on any failure
// (template missing or unreadable, folder not writable, disk full) no partial
// file is left and an existing target is untouched. An existing target is
// replaced only by a complete copy. Throws StoreError naming the file and the
// cause.
void copyTemplate(const QString &templatePath, const QString &targetPath);
