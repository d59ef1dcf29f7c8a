#include "browser/cdp/pointer_script.h"

#include <cmath>

#include "browser/cdp/cdp_connection.h"

namespace qm::cdp {

// Messages: {t, sx, sy, ow, oh, iw, ih, r, v, vs, vx, vy} with t "g" (where
// the window is), "d" press, "m" move, "u" release; vs, vx, vy: the visual
// viewport's scale and offset (a pinch zoom); gestures add x, y (client) and
// X, Y (screen) of the event. Moves are sent at most every 30 ms; the window's
// place, when nothing else happens, at most every 500 ms.
const char* const kPointerScript = R"JS((() => {
  if (window !== window.top || globalThis.__qmPointerOn) return;
  globalThis.__qmPointerOn = true;
  const send = (m) => {
    m.sx = screenX; m.sy = screenY; m.ow = outerWidth; m.oh = outerHeight;
    m.iw = innerWidth; m.ih = innerHeight; m.r = devicePixelRatio;
    m.v = document.visibilityState === 'visible' ? 1 : 0;
    const vv = globalThis.visualViewport;
    if (vv) { m.vs = vv.scale; m.vx = vv.offsetLeft; m.vy = vv.offsetTop; }
    try { globalThis.__qmPointer(JSON.stringify(m)); } catch (e) {}
  };
  const at = (t, e) => send({t, x: e.clientX, y: e.clientY, X: e.screenX, Y: e.screenY});
  let down = false, dragging = false, lastMove = 0, lastGeo = 0, last = null;
  const geo = () => { const n = Date.now(); if (n - lastGeo > 500) { lastGeo = n; send({t: 'g'}); } };
  const opt = {capture: true, passive: true};
  addEventListener('pointerdown', (e) => {
    if (e.button !== 0 || !e.isPrimary) return;
    down = true; dragging = false; last = e; at('d', e);
  }, opt);
  addEventListener('pointermove', (e) => {
    const n = Date.now();
    if (down && (e.buttons & 1)) {
      if (n - lastMove >= 30) { lastMove = n; last = e; at('m', e); }
    } else if (n - lastGeo > 500) { lastGeo = n; at('g', e); }
  }, opt);
  addEventListener('pointerup', (e) => {
    if (!down || e.button !== 0) return;
    down = false; at('u', e);
  }, opt);
  addEventListener('pointercancel', () => { if (!dragging) { down = false; } }, opt);
  addEventListener('dragstart', () => { if (down) dragging = true; }, opt);
  addEventListener('drag', (e) => {
    if (!down || (e.screenX === 0 && e.screenY === 0)) return;
    const n = Date.now();
    if (n - lastMove >= 30) { lastMove = n; last = e; at('m', e); }
  }, opt);
  addEventListener('dragend', (e) => {
    if (!down) return;
    down = false; dragging = false;
    at('u', e.screenX === 0 && e.screenY === 0 && last ? last : e);
  }, opt);
  for (const t of ['resize', 'focus', 'pageshow']) addEventListener(t, () => send({t: 'g'}), opt);
  document.addEventListener('visibilitychange', () => send({t: 'g'}), opt);
  setInterval(geo, 1000);
  send({t: 'g'});
})())JS";

const char* const kFrameScript = R"JS(((on, x, y, w, h) => {
  let d = globalThis.__qmFrame;
  if (!on) { if (d) d.remove(); return true; }
  if (!d) { d = document.createElement('div'); globalThis.__qmFrame = d; }
  d.style.cssText = 'position:fixed;margin:0;padding:0;box-sizing:border-box;' +
    'border:2px solid #000;outline:2px solid #fff;background:transparent;' +
    'pointer-events:none;z-index:2147483647;display:block;' +
    'left:' + x + 'px;top:' + y + 'px;width:' + w + 'px;height:' + h + 'px';
  (document.documentElement || document).appendChild(d);
  return true;
}))JS";

namespace {

bool Number(const Json& object, const char* key, double& out) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_number()) {
        return false;
    }
    out = it->get<double>();
    return std::isfinite(out);
}

}  // namespace

bool ParsePageMessage(const std::string& payload, PageMessage& out) {
    const Json message = Json::parse(payload, nullptr, false);
    if (!message.is_object()) {
        return false;
    }
    auto type = message.find("t");
    if (type == message.end() || !type->is_string()) {
        return false;
    }
    const std::string t = type->get<std::string>();
    PageMessage parsed;
    if (t == "g") {
        parsed.kind = PageMessage::kGeometry;
    } else if (t == "d") {
        parsed.kind = PageMessage::kPress;
    } else if (t == "m") {
        parsed.kind = PageMessage::kMove;
    } else if (t == "u") {
        parsed.kind = PageMessage::kRelease;
    } else {
        return false;
    }
    double visible = 0;
    if (!Number(message, "sx", parsed.page.screenX) || !Number(message, "sy", parsed.page.screenY) ||
        !Number(message, "ow", parsed.page.outerWidth) ||
        !Number(message, "oh", parsed.page.outerHeight) ||
        !Number(message, "iw", parsed.page.innerWidth) ||
        !Number(message, "ih", parsed.page.innerHeight) ||
        !Number(message, "r", parsed.page.pixelRatio) || !Number(message, "v", visible)) {
        return false;
    }
    parsed.visible = visible != 0;
    // The visual viewport is optional; when given, all of it, as numbers.
    if (message.contains("vs") || message.contains("vx") || message.contains("vy")) {
        if (!Number(message, "vs", parsed.page.visualScale) ||
            !Number(message, "vx", parsed.page.visualLeft) ||
            !Number(message, "vy", parsed.page.visualTop)) {
            return false;
        }
    }
    PointerReport& p = parsed.pointerAt;
    parsed.pointer = Number(message, "x", p.clientX) && Number(message, "y", p.clientY) &&
                     Number(message, "X", p.screenX) && Number(message, "Y", p.screenY);
    if (parsed.kind != PageMessage::kGeometry && !parsed.pointer) {
        return false;  // a gesture without its point
    }
    out = parsed;
    return true;
}

}  // namespace qm::cdp
