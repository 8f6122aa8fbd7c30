// SPDX-License-Identifier: MIT
/* A program that only links SDL2, as the sound player once did: running it
   measures what loading SDL2 and its libraries costs before main. */
#include <SDL.h>

int main(int argc, char *argv[])
{
    (void)argv;
    /* Never true: keeps the library linked without calling into it. */
    if (argc > 1000)
        SDL_Quit();
    return 0;
}
