/*
 * Corvane: the system master volume for the recorder, through the ALSA simple mixer of the
 * default card. The "Master" control is used when there is one, else the first control with
 * a playback volume. Without a card or a mixer the volume reads 0 and setting it does nothing.
 */
#include <alsa/asoundlib.h>

#define CORVANE_EXPORT __attribute__((visibility("default")))

typedef struct {
    snd_mixer_t *mixer;
    snd_mixer_elem_t *elem;
    long min, max;
} Control;

static void close_control(Control *c) {
    if (c->mixer) snd_mixer_close(c->mixer);
    c->mixer = NULL;
    c->elem = NULL;
}

static snd_mixer_elem_t *find_element(snd_mixer_t *mixer) {
    snd_mixer_elem_t *e;
    for (e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_playback_volume(e) &&
            strcmp(snd_mixer_selem_get_name(e), "Master") == 0 && snd_mixer_selem_get_index(e) == 0)
            return e;
    }
    for (e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_playback_volume(e)) return e;
    }
    return NULL;
}

/* Opens the default card's mixer and finds its volume control; 0 on success. */
static int open_control(Control *c) {
    c->mixer = NULL;
    c->elem = NULL;
    c->min = c->max = 0;
    if (snd_mixer_open(&c->mixer, 0) < 0) {
        c->mixer = NULL;
        return -1;
    }
    if (snd_mixer_attach(c->mixer, "default") < 0 || snd_mixer_selem_register(c->mixer, NULL, NULL) < 0 ||
        snd_mixer_load(c->mixer) < 0) {
        close_control(c);
        return -1;
    }
    c->elem = find_element(c->mixer);
    if (!c->elem || snd_mixer_selem_get_playback_volume_range(c->elem, &c->min, &c->max) < 0 ||
        c->max <= c->min) {
        close_control(c);
        return -1;
    }
    return 0;
}

/* The master volume as a fraction 0..1: the mean over the control's channels. */
CORVANE_EXPORT double GetVolume(void) {
    Control c;
    double sum = 0.0;
    int n = 0;
    int ch;
    if (open_control(&c) != 0) return 0.0;
    for (ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        long v;
        if (!snd_mixer_selem_has_playback_channel(c.elem, (snd_mixer_selem_channel_id_t)ch)) continue;
        if (snd_mixer_selem_get_playback_volume(c.elem, (snd_mixer_selem_channel_id_t)ch, &v) < 0) continue;
        sum += (double)(v - c.min) / (double)(c.max - c.min);
        ++n;
    }
    close_control(&c);
    if (n == 0) return 0.0;
    sum /= n;
    return sum < 0.0 ? 0.0 : (sum > 1.0 ? 1.0 : sum);
}

/* Sets every channel of the control to `percent` (limited to 0..100) of its range. */
CORVANE_EXPORT void SetVolume(int percent) {
    Control c;
    long value;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    if (open_control(&c) != 0) return;
    value = c.min + ((c.max - c.min) * (long)percent + 50) / 100;
    snd_mixer_selem_set_playback_volume_all(c.elem, value);
    close_control(&c);
}
