#pragma once

// How a web dialog ended, with its values.
enum class CHWebDialogResult : int {
    // The page finished the dialog (which may still mean the user chose not to post).
    DialogCompleted = 0,
    // The user closed the dialog before its page finished.
    DialogNotCompleted = 1,
};
