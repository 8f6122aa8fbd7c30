// SPDX-License-Identifier: MIT
/* Chirp.exe: the game's sound player. Plays one wave file and ends by itself.
   Its command line, deadline and exit codes: docs/FILES.md. One thread, no
   toolkit, so that it starts in a few milliseconds: a cue may last 100. */
#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

enum { ExitUsage = 2, ExitFile = 3, ExitAudio = 4 };

/* The stream's buffer: long enough that a busy machine does not break up the
   four-second fanfare, short enough that a cue sounds at once. PipeWire runs
   the desktop's graph in cycles of a quarter of it, rounded down to a power
   of two: 50 ms gives 10.7 ms cycles, long enough that a server held up on a
   busy machine does not put a hole into the cue. */
enum { BufferMs = 50 };

/* The player ends at MS + GraceMs after main once its work is done or cut;
   whatever blocks it, a timer ends it at MS + HardMs. The rest of the 50 ms
   the game allows covers loading the program and exiting. */
enum { GraceMs = 40, HardMs = 45 };

/* How much longer a server that has the whole cue may take to play its end
   when it started the sound late. */
enum { LateStartMs = 60 };

/* How far the player got, for the timer that ends it: what it exits with
   when the time is up, and the line it prints. The handler reads only
   sig_atomic_t variables: the stage indexes this table. */
enum Stage { StageReading, StageHanding, StageServer, StageAlsa, StageDone };
static const struct {
    int code;
    const char *line;
} stages[] = {
    [StageReading] = {ExitFile, "Chirp.exe: cannot read: the wave file was not read in time\n"},
    [StageHanding] = {ExitAudio, "Chirp.exe: no audio: the sound was not handed to a sound server in time\n"},
    [StageServer] = {ExitAudio, "Chirp.exe: no audio: the sound server did not play the whole sound in time\n"},
    [StageAlsa] = {ExitAudio, "Chirp.exe: no audio: ALSA did not play the whole sound in time\n"},
    [StageDone] = {0, NULL},
};
static volatile sig_atomic_t stage = StageReading;
/* Set once a failure has been reported, so that the timer adds no line. */
static volatile sig_atomic_t said = 0;

static void set_stage(enum Stage next)
{
    stage = next;
}

static void time_is_up(int signal)
{
    (void)signal;
    /* Only what a signal handler may call. */
    const int code = stages[stage].code;
    const char *line = stages[stage].line;
    if (code != 0 && line && !said) {
        const ssize_t ignored = write(STDERR_FILENO, line, strlen(line));
        (void)ignored;
    }
    _exit(code);
}

static void start_hard_deadline(long ms)
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = time_is_up;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, NULL);
    const long long total = (long long)ms + HardMs;
    struct itimerval timer;
    memset(&timer, 0, sizeof timer);
    timer.it_value.tv_sec = (time_t)(total / 1000);
    timer.it_value.tv_usec = (suseconds_t)(total % 1000 * 1000);
    setitimer(ITIMER_REAL, &timer, NULL);
}

/* Moves the hard deadline `ms` later. */
static void extend_hard_deadline(long ms)
{
    struct itimerval timer;
    getitimer(ITIMER_REAL, &timer);
    long long left = (long long)timer.it_value.tv_sec * 1000000 + timer.it_value.tv_usec + (long long)ms * 1000;
    timer.it_value.tv_sec = (time_t)(left / 1000000);
    timer.it_value.tv_usec = (suseconds_t)(left % 1000000);
    setitimer(ITIMER_REAL, &timer, NULL);
}

/* Wave files larger than this are not cues. */
enum { MaxWaveBytes = 64 << 20 };

static int fail(int code, const char *what, const char *detail)
{
    /* Said once: should the timer end the player while it cleans up, it
       exits without a second line. */
    said = 1;
    fprintf(stderr, "Chirp.exe: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return code;
}

static int64_t now_us(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000 + t.tv_nsec / 1000;
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

/* A wave file in memory: its PCM format and the sound's bytes. */
typedef struct {
    uint8_t *file;
    pa_sample_spec pcm;
    const uint8_t *data;
    size_t bytes;
} Wave;

static uint32_t le32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static uint16_t le16(const uint8_t *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static int read_file(const char *path, uint8_t **data, size_t *size)
{
    /* Only a regular file: a FIFO or a device in its place would block. */
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    FILE *f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        return 0;
    }
    size_t capacity = 1 << 16, used = 0;
    uint8_t *buffer = malloc(capacity);
    while (buffer) {
        used += fread(buffer + used, 1, capacity - used, f);
        if (used < capacity || capacity >= MaxWaveBytes)
            break;
        uint8_t *bigger = realloc(buffer, capacity * 2);
        if (!bigger) {
            free(buffer);
            buffer = NULL;
            break;
        }
        buffer = bigger;
        capacity *= 2;
    }
    const int ok = buffer && !ferror(f) && used < capacity;
    fclose(f);
    if (!ok) {
        free(buffer);
        return 0;
    }
    *data = buffer;
    *size = used;
    return 1;
}

/* The sample format of a "fmt " chunk: PCM of 8, 16, 24 or 32 bits, 32-bit
   float, A-law or mu-law, plain or in the extensible form. */
static pa_sample_format_t sample_format(const uint8_t *fmt, uint32_t size)
{
    uint16_t tag = le16(fmt);
    const uint16_t bits = le16(fmt + 14);
    if (tag == 0xFFFE && size >= 40)
        tag = le16(fmt + 24); /* the first two bytes of the sub-format GUID */
    if (tag == 1 && bits == 8)
        return PA_SAMPLE_U8;
    if (tag == 1 && bits == 16)
        return PA_SAMPLE_S16LE;
    if (tag == 1 && bits == 24)
        return PA_SAMPLE_S24LE;
    if (tag == 1 && bits == 32)
        return PA_SAMPLE_S32LE;
    if (tag == 3 && bits == 32)
        return PA_SAMPLE_FLOAT32LE;
    if (tag == 6 && bits == 8)
        return PA_SAMPLE_ALAW;
    if (tag == 7 && bits == 8)
        return PA_SAMPLE_ULAW;
    return PA_SAMPLE_INVALID;
}

/* Loads a RIFF WAVE file of PCM samples. A data chunk that claims more than
   the file holds plays what is there. */
static int load_wave(const char *path, Wave *wave)
{
    size_t size = 0;
    memset(wave, 0, sizeof *wave);
    if (!read_file(path, &wave->file, &size))
        return 0;
    const uint8_t *b = wave->file;
    int have_format = 0;
    if (size >= 12 && memcmp(b, "RIFF", 4) == 0 && memcmp(b + 8, "WAVE", 4) == 0) {
        for (size_t at = 12; at + 8 <= size;) {
            const uint32_t chunk = le32(b + at + 4);
            const size_t body = at + 8, left = size - body;
            if (memcmp(b + at, "fmt ", 4) == 0 && chunk >= 16 && chunk <= left) {
                wave->pcm.format = sample_format(b + body, chunk);
                wave->pcm.channels = (uint8_t)le16(b + body + 2);
                wave->pcm.rate = le32(b + body + 4);
                have_format = le16(b + body + 2) <= PA_CHANNELS_MAX && pa_sample_spec_valid(&wave->pcm)
                              && le16(b + body + 12) == pa_frame_size(&wave->pcm);
            } else if (memcmp(b + at, "data", 4) == 0) {
                wave->data = b + body;
                wave->bytes = chunk < left ? chunk : left;
                break;
            }
            if (chunk > left)
                break;
            at = body + chunk + (chunk & 1);
        }
    }
    if (!have_format || !wave->data) {
        free(wave->file);
        return 0;
    }
    wave->bytes -= wave->bytes % pa_frame_size(&wave->pcm);
    return 1;
}

/* ---- PulseAudio (and PipeWire through pipewire-pulse) ---- */

typedef enum { PulsePlayed, PulseNoServer, PulseFailed } PulseOutcome;

typedef struct {
    pa_mainloop *loop;
    pa_context *context;
    pa_stream *stream;
    int64_t deadline;
    int drained;
} Pulse;

/* Runs one round of the main loop, waiting no later than the deadline.
   Returns 0 once the deadline has passed or the loop broke. */
static int pulse_iterate(Pulse *p)
{
    const int64_t left = p->deadline - now_us();
    if (left <= 0)
        return 0;
    return pa_mainloop_prepare(p->loop, left > INT_MAX ? INT_MAX : (int)left) >= 0
           && pa_mainloop_poll(p->loop) >= 0 && pa_mainloop_dispatch(p->loop) >= 0;
}

static void pulse_drained(pa_stream *stream, int success, void *userdata)
{
    (void)stream;
    *(int *)userdata = success ? 1 : -1;
}

static void pulse_close(Pulse *p)
{
    if (p->stream) {
        pa_stream_disconnect(p->stream);
        pa_stream_unref(p->stream);
    }
    if (p->context) {
        pa_context_disconnect(p->context);
        pa_context_unref(p->context);
    }
    if (p->loop)
        pa_mainloop_free(p->loop);
}

/* Connects to the sound server; PulseNoServer when none answers at all. */
static PulseOutcome pulse_connect(Pulse *p)
{
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Typhoros");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "typhoros");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "game");
    p->context = pa_context_new_with_proplist(pa_mainloop_get_api(p->loop), "Typhoros", props);
    pa_proplist_free(props);
    /* Never start a server of our own: a cue is not worth a daemon. */
    if (!p->context || pa_context_connect(p->context, NULL, PA_CONTEXT_NOAUTOSPAWN, NULL) < 0)
        return PulseNoServer;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(p->context);
        if (state == PA_CONTEXT_READY)
            return PulsePlayed;
        if (!PA_CONTEXT_IS_GOOD(state))
            return PulseNoServer;
        if (!pulse_iterate(p)) {
            fail(0, "no audio", "the sound server did not answer in time");
            return PulseFailed;
        }
    }
}

static PulseOutcome play_pulse(const Wave *wave, size_t bytes, int64_t deadline)
{
    Pulse p = {.deadline = deadline};
    p.loop = pa_mainloop_new();
    if (!p.loop)
        return PulseNoServer;
    PulseOutcome outcome = pulse_connect(&p);
    if (outcome != PulsePlayed) {
        pulse_close(&p);
        return outcome;
    }

    pa_channel_map map;
    pa_channel_map_init_extend(&map, wave->pcm.channels, PA_CHANNEL_MAP_WAVEEX);
    const uint32_t server_default = (uint32_t)-1;
    const pa_buffer_attr attr = {
        .maxlength = server_default,
        .tlength = (uint32_t)pa_usec_to_bytes(BufferMs * PA_USEC_PER_MSEC, &wave->pcm),
        .prebuf = server_default,
        .minreq = server_default,
        .fragsize = server_default,
    };
    p.stream = pa_stream_new(p.context, "cue", &wave->pcm, &map);
    if (!p.stream || pa_stream_connect_playback(p.stream, NULL, &attr, PA_STREAM_ADJUST_LATENCY, NULL, NULL) < 0) {
        fail(0, "no audio: cannot open a sound stream", pa_strerror(pa_context_errno(p.context)));
        pulse_close(&p);
        return PulseFailed;
    }

    /* The whole cue goes to the server at once, as far as its queue takes
       it, and the rest as room frees up; then the server is asked to say
       when everything has played. */
    size_t written = 0;
    pa_operation *drain = NULL;
    int extended = 0;
    while (p.drained == 0) {
        const pa_stream_state_t state = pa_stream_get_state(p.stream);
        if (!PA_STREAM_IS_GOOD(state)) {
            fail(0, "no audio: the sound stream failed", pa_strerror(pa_context_errno(p.context)));
            outcome = PulseFailed;
            break;
        }
        if (state == PA_STREAM_READY && written < bytes) {
            size_t room = pa_stream_writable_size(p.stream);
            if (written == 0)
                room = pa_stream_get_buffer_attr(p.stream)->maxlength;
            const size_t n = bytes - written < room ? bytes - written : room;
            if (n > 0 && pa_stream_write(p.stream, wave->data + written, n, NULL, 0, PA_SEEK_RELATIVE) == 0)
                written += n;
        }
        if (written == bytes && !drain) {
            /* Only the drain's completion says the cue was played. */
            set_stage(StageServer);
            drain = pa_stream_drain(p.stream, pulse_drained, &p.drained);
        }
        /* Past the deadline the cue is cut where it stands: a player that
           outlives its cue would pile up behind the next one. Only a server
           that has all of it and is still draining gets a little longer:
           it may have started the sound late, and its end is still to be
           heard. One that does not finish it by then (a suspended sink
           holds it unplayed) has failed. */
        if (!pulse_iterate(&p)) {
            if (drain && !extended && now_us() >= p.deadline) {
                extended = 1;
                p.deadline += LateStartMs * 1000;
                extend_hard_deadline(LateStartMs);
                continue;
            }
            if (written == 0) {
                fail(0, "no audio", "the sound server did not take the sound in time");
                outcome = PulseFailed;
            }
            break;
        }
    }
    if (outcome == PulsePlayed && p.drained < 0) {
        fail(0, "no audio", "the sound server could not play the sound");
        outcome = PulseFailed;
    } else if (outcome == PulsePlayed && written < bytes) {
        fail(0, "no audio", "the sound server did not take the whole sound in time");
        outcome = PulseFailed;
    } else if (outcome == PulsePlayed && p.drained == 0) {
        fail(0, "no audio", "the sound server did not play the whole sound in time");
        outcome = PulseFailed;
    } else if (outcome == PulsePlayed) {
        set_stage(StageDone);
    }
    if (drain)
        pa_operation_unref(drain);
    pulse_close(&p);
    return outcome;
}

/* ---- ALSA, when no sound server answers ---- */

static void alsa_quiet(const char *file, int line, const char *function, int err, const char *fmt, ...)
{
    /* ALSA's own diagnostics would break the one-line error. */
    (void)file, (void)line, (void)function, (void)err, (void)fmt;
}

static snd_pcm_format_t alsa_format(pa_sample_format_t format)
{
    switch (format) {
    case PA_SAMPLE_U8: return SND_PCM_FORMAT_U8;
    case PA_SAMPLE_S16LE: return SND_PCM_FORMAT_S16_LE;
    case PA_SAMPLE_S24LE: return SND_PCM_FORMAT_S24_3LE;
    case PA_SAMPLE_S32LE: return SND_PCM_FORMAT_S32_LE;
    case PA_SAMPLE_ALAW: return SND_PCM_FORMAT_A_LAW;
    case PA_SAMPLE_ULAW: return SND_PCM_FORMAT_MU_LAW;
    default: return SND_PCM_FORMAT_FLOAT_LE;
    }
}

static int milliseconds_left(int64_t deadline)
{
    const int64_t left = (deadline - now_us() + 999) / 1000;
    return left <= 0 ? 0 : left > INT_MAX ? INT_MAX : (int)left;
}

static int play_alsa(const Wave *wave, size_t bytes, int64_t deadline)
{
    snd_lib_error_set_handler(alsa_quiet);
    snd_pcm_t *pcm = NULL;
    int err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err == 0)
        err = snd_pcm_set_params(pcm, alsa_format(wave->pcm.format), SND_PCM_ACCESS_RW_INTERLEAVED,
                                 wave->pcm.channels, wave->pcm.rate, 1, BufferMs * 1000);
    if (err < 0) {
        if (pcm)
            snd_pcm_close(pcm);
        return fail(ExitAudio, "no audio: no sound server answered, and ALSA says", snd_strerror(err));
    }
    const size_t frame = pa_frame_size(&wave->pcm);
    const snd_pcm_uframes_t frames = bytes / frame;
    snd_pcm_uframes_t done = 0;
    while (done < frames && milliseconds_left(deadline) > 0) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, wave->data + done * frame, frames - done);
        if (n == -EAGAIN)
            snd_pcm_wait(pcm, milliseconds_left(deadline));
        else if (n < 0 && (err = snd_pcm_recover(pcm, (int)n, 1)) < 0)
            break;
        else if (n > 0)
            done += (snd_pcm_uframes_t)n;
    }
    if (err < 0 || done < frames) {
        snd_pcm_close(pcm);
        return fail(ExitAudio, "no audio: ALSA did not take the whole sound",
                    err < 0 ? snd_strerror(err) : "not in time");
    }
    set_stage(StageAlsa);
    /* Non-blocking, the drain only starts; wait for it up to the deadline. */
    err = snd_pcm_drain(pcm);
    int drained = err == 0;
    if (err == -EAGAIN) {
        const struct timespec tick = {0, 1000000};
        while (snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING && milliseconds_left(deadline) > 0)
            nanosleep(&tick, NULL);
        drained = snd_pcm_state(pcm) != SND_PCM_STATE_DRAINING;
        err = 0;
    }
    if (drained)
        set_stage(StageDone);
    snd_pcm_close(pcm);
    if (err < 0)
        return fail(ExitAudio, "no audio: ALSA could not play the sound", snd_strerror(err));
    return drained ? 0 : fail(ExitAudio, "no audio", "ALSA did not play the whole sound in time");
}

int main(int argc, char *argv[])
{
    const int64_t start = now_us();
    if (argc != 3)
        return fail(ExitUsage, "usage: Chirp.exe WAVE MS", NULL);
    long ms = 0;
    if (!parse_ms(argv[2], &ms))
        return fail(ExitUsage, "not a number of milliseconds", argv[2]);
    /* From here on nothing outlives MS + HardMs, whatever blocks. */
    start_hard_deadline(ms);
    char path[PATH_MAX];
    if (!find_wave(argv[1], path, sizeof path))
        return fail(ExitFile, "cannot read", argv[1]);
    Wave wave;
    if (!load_wave(path, &wave))
        return fail(ExitFile, "not a playable wave file", argv[1]);

    /* Cut the sound at MS milliseconds, on a whole frame. */
    const uint64_t limit = (uint64_t)wave.pcm.rate * (uint64_t)ms / 1000u * pa_frame_size(&wave.pcm);
    const size_t bytes = limit < wave.bytes ? (size_t)limit : wave.bytes;
    const int64_t deadline = start + ((int64_t)ms + GraceMs) * 1000;

    set_stage(StageHanding);
    int code = 0;
    if (bytes > 0) {
        const PulseOutcome outcome = play_pulse(&wave, bytes, deadline);
        if (outcome == PulseNoServer)
            code = play_alsa(&wave, bytes, deadline);
        else if (outcome == PulseFailed)
            code = ExitAudio;
    }
    free(wave.file);
    return code;
}
