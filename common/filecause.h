#pragma once
// The cause of a failed file operation, in French, for the user's message:
// "le disque est plein", "l'accès est refusé (droits insuffisants)", "le nom
// du fichier est trop long"... Never the system's English text: a cause the
// program does not know is given by its number.
#include <QFileDevice>
#include <QString>

namespace filecause {

// The cause of a system error number (errno).
QString fromErrno(int error);

// The cause of a Qt file error; `error` (errno) names it more precisely when
// known (non-zero).
QString fromFileError(QFileDevice::FileError fileError, int error = 0);

} // namespace filecause
