#pragma once

#include <QString>

// Why a system call failed, from its errno, as a bare reason in Italian: lower case, without a
// file's name, for the caller to put into its own sentence ("il file non esiste").
QString systemErrorReason(int error);
