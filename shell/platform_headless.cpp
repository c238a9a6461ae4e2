// Headless backend: EGL/Mesa off-screen context with scripted input.
