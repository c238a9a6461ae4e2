// SDL2 backend: full-screen window with an OpenGL compatibility context.
