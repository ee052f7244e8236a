#pragma once
// New analysis databases are whole copies of the template database.
#include <QString>

// The template database: the file "telmira" in the given program folder.
QString templatePathIn(const QString &programFolder);
// The template beside the running program; empty before the application
// object exists. No program opens it as an analysis.
QString installedTemplatePath();

// Checks the template before it is copied: a regular file, an analysis
// database of this version with all its tables, whole (integrity check).
// Throws StoreError naming the template and saying what is wrong.
void checkTemplate(const QString &templatePath);

// Checks the template (checkTemplate), then copies the file whole to
// targetPath. The copy is written beside the target under a temporary name
// and renamed into place: on any failure (template missing, damaged or
// unreadable, folder not writable, disk full) no partial file is left and an
// existing target is untouched. An existing target is replaced only by a
// complete copy; a target that is the template itself (a link to it) is
// refused. Throws StoreError naming the file and the cause.
void copyTemplate(const QString &templatePath, const QString &targetPath);
