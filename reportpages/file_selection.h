#pragma once
// Choosing files: the reports-file open dialog with its page preview and
// the general open and save-as dialogs live with the other file dialogs.
#include "dialogs/file_selection_dialogs.h"
#include "dialogs/reports_file_open_dialog.h"
