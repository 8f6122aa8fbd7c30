/* Chirp.exe: the game's sound player. Plays one wave file and ends by itself.

   Usage: Chirp.exe WAVE MS
   Plays WAVE (looked up in the current directory, then beside this program)
   and exits 0 once the sound has played or MS milliseconds have passed,
   whichever comes first. Several players may run at once; each opens its
   own stream and the sound server mixes them. On any failure it prints one
   line on stderr and exits non-zero at once. */
#include <SDL.h>

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { ExitUsage = 2, ExitFile = 3, ExitAudio = 4 };

/* A small device buffer: a cue must sound at once, and closing the device
   waits out whatever the buffer still holds. */
enum { BufferFrames = 256 };

static int fail(int code, const char *what, const char *detail)
{
    fprintf(stderr, "Chirp.exe: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return code;
}

/* Parses a whole decimal number of milliseconds, 0 to INT_MAX. */
static int parse_ms(const char *text, long *ms)
{
    char *end = NULL;
    errno = 0;
    const long value = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > INT_MAX)
        return 0;
    *ms = value;
    return 1;
}

/* Finds WAVE: as given when it is absolute or exists from the current
   directory, else beside this program. Writes the path into `out`. */
static int find_wave(const char *wave, char *out, size_t size)
{
    if (wave[0] == '/' || access(wave, R_OK) == 0) {
        snprintf(out, size, "%s", wave);
        return access(out, R_OK) == 0;
    }
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 0;
    self[n] = '\0';
    char *slash = strrchr(self, '/');
    if (!slash)
        return 0;
    *slash = '\0';
    if ((size_t)snprintf(out, size, "%s/%s", self, wave) >= size)
        return 0;
    return access(out, R_OK) == 0;
}

int main(int argc, char *argv[])
{
    if (argc != 3)
        return fail(ExitUsage, "usage: Chirp.exe WAVE MS", NULL);
    long ms = 0;
    if (!parse_ms(argv[2], &ms))
        return fail(ExitUsage, "not a number of milliseconds", argv[2]);
    char path[PATH_MAX];
    if (!find_wave(argv[1], path, sizeof path))
        return fail(ExitFile, "cannot read", argv[1]);

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Typhoros");
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return fail(ExitAudio, "no audio", SDL_GetError());

    SDL_AudioSpec audio;
    Uint8 *samples = NULL;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path, &audio, &samples, &length)) {
        const int code = fail(ExitFile, "not a playable wave file", argv[1]);
        SDL_Quit();
        return code;
    }

    /* Cut the sound at MS milliseconds, on a whole frame. */
    const Uint32 frame = (SDL_AUDIO_BITSIZE(audio.format) / 8) * audio.channels;
    const Uint64 limit = (Uint64)audio.freq * (Uint64)ms / 1000u * frame;
    if (limit < length)
        length = (Uint32)limit;

    audio.samples = BufferFrames;
    audio.callback = NULL;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(NULL, 0, &audio, NULL, 0);
    if (device == 0) {
        const int code = fail(ExitAudio, "cannot open the audio device", SDL_GetError());
        SDL_FreeWAV(samples);
        SDL_Quit();
        return code;
    }

    int code = 0;
    if (length > 0 && SDL_QueueAudio(device, samples, length) != 0)
        code = fail(ExitAudio, "cannot queue the sound", SDL_GetError());
    SDL_FreeWAV(samples);

    if (code == 0 && length > 0) {
        SDL_PauseAudioDevice(device, 0);
        const Uint64 start = SDL_GetTicks64();
        while (SDL_GetQueuedAudioSize(device) > 0 && SDL_GetTicks64() - start < (Uint64)ms)
            SDL_Delay(1);
        /* The last buffer taken from the queue is still playing. */
        const Uint64 tail = (BufferFrames * 1000u + audio.freq - 1) / audio.freq;
        const Uint64 elapsed = SDL_GetTicks64() - start;
        if (elapsed < (Uint64)ms)
            SDL_Delay((Uint32)(tail < (Uint64)ms - elapsed ? tail : (Uint64)ms - elapsed));
    }
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return code;
}
