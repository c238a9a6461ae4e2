// Native Win32 backend: window, WGL context, messages and dialogs.
