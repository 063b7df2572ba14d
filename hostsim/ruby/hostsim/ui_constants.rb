# The top-level constants of SketchUp's UI calls, with SketchUp's values.

# UI.messagebox types (the first six are Windows' MB_* button sets).
MB_OK = 0
MB_OKCANCEL = 1
MB_ABORTRETRYIGNORE = 2
MB_YESNOCANCEL = 3
MB_YESNO = 4
MB_RETRYCANCEL = 5
MB_MULTILINE = 16

# UI.messagebox answers (Windows' button ids).
IDOK = 1
IDCANCEL = 2
IDABORT = 3
IDRETRY = 4
IDIGNORE = 5
IDYES = 6
IDNO = 7

# Menu and command states that validation procs return.
MF_ENABLED = 0
MF_GRAYED = 1
MF_DISABLED = 2
MF_CHECKED = 8
MF_UNCHECKED = 0

# Sketchup.set_status_text positions: the prompt and the value box's label and value.
SB_PROMPT = 0
SB_VCB_LABEL = 1
SB_VCB_VALUE = 2

# UI::Toolbar#get_last_state.
TB_HIDDEN = 0
TB_VISIBLE = 1
TB_NEVER_SHOWN = -1
