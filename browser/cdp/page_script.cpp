#include "browser/cdp/page_script.h"

namespace qm::cdp {

// Identity rules (keep in step with ElementIdentityFromParts): IMG, EMBED,
// IFRAME and FRAME by their src attribute; OBJECT by the file name before the
// first ".swf" of its lower-cased inner HTML, else by its codebase attribute.
// Case changes are ASCII-only, as in the C++ rules.
const char* const kPageScript = R"JS((() => {
  if (globalThis.__qm) return true;
  const ids = new WeakMap();
  const refs = new Map();
  let next = 1;
  const reg = (e) => {
    let i = ids.get(e);
    if (i === undefined) { i = next++; ids.set(e, i); refs.set(i, new WeakRef(e)); }
    return i;
  };
  const get = (i) => {
    const r = refs.get(i);
    const e = r && r.deref();
    if (!e || e.ownerDocument !== document) throw 0;
    return e;
  };
  const upper = (s) => s.replace(/[a-z]+/g, (m) => m.toUpperCase());
  const lower = (s) => s.replace(/[A-Z]+/g, (m) => m.toLowerCase());
  const tagOf = (e) => upper(String(e.tagName || ''));
  const attr = (e, n) => { const v = e.getAttribute(n); return v === null ? '' : v; };
  const hasSrc = (t) => t === 'IMG' || t === 'EMBED' || t === 'IFRAME' || t === 'FRAME';
  const ident = (e) => {
    const t = tagOf(e);
    if (hasSrc(t)) return attr(e, 'src');
    if (t !== 'OBJECT') return '';
    const l = lower(e.innerHTML);
    const p = l.indexOf('.swf');
    if (p > 0) {
      const h = l.substring(0, p + 4);
      const s = h.lastIndexOf('/');
      if (s >= 0 && s + 1 < h.length) return h.substring(s + 1);
    }
    return attr(e, 'codebase');
  };
  const all = () => document.getElementsByTagName('*');
  const coll = (k, t) => k === 0 ? all() : k === 1 ? document.getElementsByTagName(t) : document.images;
  const html = (e) => { if (!(e instanceof HTMLElement)) throw 0; return e; };
  const ops = {
    url: () => document.URL,
    title: () => document.title,
    body: () => { if (!document.body) throw 0; return reg(document.body); },
    len: (k, t) => coll(k, t).length,
    item: (k, t, j) => { const e = coll(k, t)[j]; if (!e) throw 0; return reg(e); },
    at: (x, y) => { const e = document.elementFromPoint(x, y); if (!e) throw 0; return reg(e); },
    tag: (i) => tagOf(get(i)),
    index: (i) => {
      const e = get(i);
      const a = all();
      for (let j = 0; j < a.length; j++) if (a[j] === e) return j;
      throw 0;
    },
    outer: (i) => get(i).outerHTML,
    inner: (i) => get(i).innerHTML,
    setInner: (i, h) => { get(i).innerHTML = h; return 1; },
    width: (i) => html(get(i)).offsetWidth,
    height: (i) => html(get(i)).offsetHeight,
    display: (i) => { const s = get(i).style; if (!s) throw 0; return s.display; },
    setDisplay: (i, v) => { const s = get(i).style; if (!s) throw 0; s.display = v; return 1; },
    src: (i) => { const e = get(i); if (!hasSrc(tagOf(e))) throw 0; return attr(e, 'src'); },
    setSrc: (i, v) => { const e = get(i); if (tagOf(e) !== 'IMG') throw 0; e.setAttribute('src', v); return 1; },
    codeBase: (i) => { const e = get(i); if (tagOf(e) !== 'OBJECT') throw 0; return attr(e, 'codebase'); },
    scan: (t) => {
      const a = all();
      const pos = new Map();
      for (let j = 0; j < a.length; j++) pos.set(a[j], j);
      const out = [];
      for (const e of document.getElementsByTagName(t)) {
        const g = tagOf(e);
        const p = pos.has(e) ? pos.get(e) : -1;
        if (g === 'OBJECT') out.push([p, g, '', e.innerHTML, attr(e, 'codebase')]);
        else out.push([p, g, hasSrc(g) ? attr(e, 'src') : '', '', '']);
      }
      return out;
    },
    check: (list) => {
      const a = all();
      const n = a.length;
      return list.map(([k, id]) => {
        if (k < 0 || k >= n) return 0;
        const e = a[k];
        if (ident(e) !== id) return 1;
        const s = e.style;
        if (s && s.display !== 'none') s.display = 'none';
        return 2;
      });
    },
    idents: () => Array.from(all(), (e) => {
      const g = tagOf(e);
      const o = g === 'OBJECT';
      return [g, ident(e), hasSrc(g) ? attr(e, 'src') : '', o ? e.innerHTML : '', o ? attr(e, 'codebase') : ''];
    }),
    bars: () => [window.toolbar.visible ? 1 : 0, window.menubar.visible ? 1 : 0],
  };
  Object.freeze(ops);
  Object.defineProperty(globalThis, '__qm', {
    value: (name, args, anyState) => {
      if (!anyState && document.readyState === 'loading') return [0];
      if (!Object.prototype.hasOwnProperty.call(ops, name)) return [0];
      try { return [1, ops[name](...args)]; } catch (e) { return [0]; }
    },
  });
  return true;
})())JS";

}  // namespace qm::cdp
