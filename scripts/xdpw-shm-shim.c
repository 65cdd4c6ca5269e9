/* Preloaded into xdg-desktop-portal-wlr 0.7.0 by wayland-session.sh beside it.
 *
 * That version starts a screen cast only after the compositor's screencopy
 * frame has named a DMA-BUF format, which a compositor that renders in
 * software never does; 0.8.0 dropped the demand. Here each frame's "buffer"
 * event is preceded by a made-up "linux_dmabuf" event of the same size.
 * With no DMA-BUF support on the compositor's side, the portal then falls
 * back to shared-memory buffers, which is all the lens reads anyway. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <string.h>
#include <wayland-client-core.h>

/* The events of zwlr_screencopy_frame_v1, version 3, in protocol order. */
struct frame_events {
	void (*buffer)(void *, void *, uint32_t, uint32_t, uint32_t, uint32_t);
	void (*flags)(void *, void *, uint32_t);
	void (*ready)(void *, void *, uint32_t, uint32_t, uint32_t);
	void (*failed)(void *, void *);
	void (*damage)(void *, void *, uint32_t, uint32_t, uint32_t, uint32_t);
	void (*linux_dmabuf)(void *, void *, uint32_t, uint32_t, uint32_t);
	void (*buffer_done)(void *, void *);
};

static const uint32_t drm_format_xrgb8888 = 0x34325258; /* 'XR24' */
static const struct frame_events *portal_events;
static struct frame_events shimmed;

static void buffer_with_dmabuf(void *data, void *frame, uint32_t format, uint32_t width, uint32_t height,
		uint32_t stride) {
	if (portal_events->linux_dmabuf)
		portal_events->linux_dmabuf(data, frame, drm_format_xrgb8888, width, height);
	portal_events->buffer(data, frame, format, width, height, stride);
}

int wl_proxy_add_listener(struct wl_proxy *proxy, void (**implementation)(void), void *data) {
	static int (*next)(struct wl_proxy *, void (**)(void), void *);
	if (!next)
		next = (int (*)(struct wl_proxy *, void (**)(void), void *))dlsym(RTLD_NEXT, "wl_proxy_add_listener");
	const char *name = wl_proxy_get_class(proxy);
	if (name && strcmp(name, "zwlr_screencopy_frame_v1") == 0 && wl_proxy_get_version(proxy) >= 3) {
		portal_events = (const struct frame_events *)implementation;
		shimmed = *portal_events;
		shimmed.buffer = buffer_with_dmabuf;
		return next(proxy, (void (**)(void))&shimmed, data);
	}
	return next(proxy, implementation, data);
}
