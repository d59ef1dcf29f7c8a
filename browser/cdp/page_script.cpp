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
  // Hiding: display "none" with the important priority, so that no rule of
  // the page wins over it; what the element had before is kept so that
  // showing it again puts back exactly that.
  const hidden = new Map();
  const isHidden = (s) => s.getPropertyValue('display') === 'none' && s.getPropertyPriority('display') === 'important';
  const hide = (e) => {
    const s = e.style;
    if (!s) return false;
    if (isHidden(s)) return true;
    if (!hidden.has(e)) hidden.set(e, [s.getPropertyValue('display'), s.getPropertyPriority('display')]);
    s.setProperty('display', 'none', 'important');
    return true;
  };
  const show = (e) => {
    const s = e.style;
    const was = hidden.get(e);
    hidden.delete(e);
    if (!was[0]) s.removeProperty('display'); else s.setProperty('display', was[0], was[1]);
  };
  // Identities of the located adverts of this page: one the page inserts (or
  // re-creates, or points at an advert) is hidden at once, wherever it goes.
  // While the document is parsed every match is hidden; once it is parsed
  // only the last one of each identity stays so (the one the checks locate).
  let watch = new Set();
  // (A script run for a new document may come before its parser has set
  // the ready state: nothing parsed yet counts as parsing.)
  let parsing = document.readyState === 'loading' || !document.documentElement;
  const early = [];
  const adTag = (t) => hasSrc(t) || t === 'OBJECT';
  const consider = (e) => {
    if (!(e instanceof Element) || !adTag(tagOf(e))) return;
    if (!watch.has(ident(e))) return;
    const s = e.style;
    if (s && !isHidden(s)) { if (parsing && !hidden.has(e)) early.push(e); hide(e); }
  };
  const sweep = (n) => {
    if (!(n instanceof Element)) return;
    consider(n);
    for (const e of n.querySelectorAll('img,object,embed,iframe,frame')) consider(e);
  };
  const handle = (records) => {
    if (watch.size !== 0) for (const r of records) {
      if (r.type === 'childList') {
        for (const n of r.addedNodes) sweep(n);
        const o = r.target instanceof Element ? r.target.closest('object') : null;
        if (o) consider(o);
      } else if (r.type === 'attributes' && r.target instanceof Element) {
        const t = r.target;
        if (r.attributeName === 'src' || r.attributeName === 'codebase') consider(t);
        else if (r.attributeName === 'style' && hidden.has(t) && !isHidden(t.style)) t.style.setProperty('display', 'none', 'important');
      }
    }
  };
  // Change reports. A check's answer depends only on its request and on the
  // document (its address, title and elements with their attributes and
  // contents). After each check the same observer watches every change of
  // the document until the first one, which is reported once through the
  // binding; the host asks the page again only then. Our own calls first
  // disarm it, so no change of ours is reported, and one observer (not two)
  // keeps what a page that mutates a lot pays for it low.
  const narrow = { childList: true, subtree: true, attributes: true, attributeFilter: ['src', 'codebase', 'style'] };
  const every = { childList: true, subtree: true, attributes: true, characterData: true };
  let armed = false;
  const tell = () => {
    armed = false;
    observer.observe(document, narrow);
    const report = globalThis.__qmChanged;
    if (typeof report === 'function') report('');
  };
  const observer = new MutationObserver((records) => {
    if (armed) tell();
    handle(records);
    settled();
  });
  observer.observe(document, narrow);
  // (Changes not delivered yet are the page's: still reported.)
  const disarm = () => {
    if (!armed) return;
    const pending = observer.takeRecords();
    if (pending.length !== 0) { tell(); handle(pending); } else { armed = false; observer.observe(document, narrow); }
  };
  const arm = () => {
    if (typeof globalThis.__qmChanged !== 'function') return 0;
    handle(observer.takeRecords());  // our own, of this call
    observer.observe(document, every);
    armed = true;
    return 1;
  };
  const settle = () => {
    if (!parsing) return;
    // The records of the parsed document may not have been delivered yet.
    handle(observer.takeRecords());
    parsing = false;
    const last = new Map();
    for (const e of early) {
      if (!e.isConnected || !hidden.has(e)) continue;
      const i = ident(e);
      const l = last.get(i);
      if (!l || (l.compareDocumentPosition(e) & Node.DOCUMENT_POSITION_FOLLOWING)) last.set(i, e);
    }
    for (const e of early) if (e.isConnected && hidden.has(e) && last.get(ident(e)) !== e) show(e);
    early.length = 0;
  };
  // Once parsed: at DOMContentLoaded, and at the latest before any call of ours.
  const settled = () => { if (parsing && document.documentElement && document.readyState !== 'loading') settle(); };
  if (parsing) window.addEventListener('DOMContentLoaded', settle, { once: true });
  const setWatch = (list) => {
    watch = new Set(list.filter((x) => typeof x === 'string' && x !== ''));
    return 1;
  };
  const all = () => document.getElementsByTagName('*');
  const coll = (k, t) => k === 0 ? all() : k === 1 ? document.getElementsByTagName(t) : document.images;
  const html = (e) => { if (!(e instanceof HTMLElement)) throw 0; return e; };
  // --- The examination of a tracker's filters in one call ---
  // The lists of filters this document was given, by key (the last two), each
  // with its search automaton: the file names are searched in the body's
  // source in one reading of it.
  const lists = new Map();
  const automaton = (names) => {
    // Characters as classes (0: in no name), the trie in one dense table of
    // (state, class) that the failure links then fill in breadth first.
    const cls = new Uint16Array(65536);
    let classes = 1;
    let size = 1;
    for (const s of names) {
      size += s.length;
      for (let i = 0; i < s.length; i++) { const c = s.charCodeAt(i); if (cls[c] === 0) cls[c] = classes++; }
    }
    const next = new Int32Array(size * classes);
    const ends = new Map();  // state: the names that end there
    const always = [];
    let n = 1;
    names.forEach((s, id) => {
      if (s === '') { always.push(id); return; }
      let q = 0;
      for (let i = 0; i < s.length; i++) {
        const k = q * classes + cls[s.charCodeAt(i)];
        if (next[k] === 0) next[k] = n++;
        q = next[k];
      }
      const e = ends.get(q);
      if (e) e.push(id); else ends.set(q, [id]);
    });
    const fail = new Int32Array(n);
    const link = new Int32Array(n);  // nearest shorter state where names end, or 0
    const order = new Int32Array(n);
    let tail = 0;
    for (let c = 1; c < classes; c++) if (next[c] !== 0) order[tail++] = next[c];
    for (let h = 0; h < tail; h++) {
      const u = order[h];
      const ub = u * classes;
      const fb = fail[u] * classes;
      for (let c = 1; c < classes; c++) {
        const v = next[ub + c];
        if (v === 0) { next[ub + c] = next[fb + c]; continue; }
        const f = next[fb + c];
        fail[v] = f;
        link[v] = ends.has(f) ? f : link[f];
        order[tail++] = v;
      }
    }
    const term = new Int32Array(n);
    for (let q = 1; q < n; q++) term[q] = ends.has(q) ? q : link[q];
    // Which names occur in text: found[id] is 1 for each.
    return (text) => {
      const found = new Uint8Array(names.length);
      for (const id of always) found[id] = 1;
      const seen = new Uint8Array(n);
      let q = 0;
      for (let i = 0; i < text.length; i++) {
        q = next[q * classes + cls[text.charCodeAt(i)]];
        let t = term[q];
        while (t !== 0 && seen[t] === 0) { seen[t] = 1; for (const id of ends.get(t)) found[id] = 1; t = link[t]; }
      }
      return found;
    };
  };
  const passTags = ['IMG', 'OBJECT', 'EMBED', 'IFRAME'];
  // For each tag: its rows, and the first row of each identity.
  const rowsByTag = (rows) => {
    const byTag = new Map();
    rows.forEach((r, i) => {
      if (!passTags.includes(r[0])) return;
      let t = byTag.get(r[0]);
      if (!t) { t = { rows: [], first: new Map() }; byTag.set(r[0], t); }
      t.rows.push(i);
      if (!t.first.has(r[1])) t.first.set(r[1], i);
    });
    return byTag;
  };
  const made = (given) => ({ rows: given, search: automaton(given.map((r) => String(r[2]))), byTag: rowsByTag(given) });
  // A list without a key (the search for one added filter) is not kept.
  const listOf = (key, given) => {
    if (key === '') {
      if (!Array.isArray(given)) throw 0;
      return made(given);
    }
    let l = lists.get(key);
    if (l) return l;
    if (!Array.isArray(given)) throw 0;
    l = made(given);
    lists.set(key, l);
    if (lists.size > 2) lists.delete(lists.keys().next().value);
    return l;
  };
  // popups: [position, mode, address, title without spaces]; checks:
  // [position, index, identity]; search: 0 or [key, list or null, statuses].
  const pass = (popups, checks, search, expected) => {
    const url = document.URL;
    const title = document.title;
    if (expected !== '' && url !== expected) return [url, title, -1, checks.map(() => 0), location.host, -1, [], []];
    const bare = title.replace(/ /g, '');
    let popupAt = -1;
    for (const [p, mode, address, name] of popups) {
      const u = address === url;
      const t = name === bare;
      if (mode === 0 ? u : mode === 1 ? t : mode === 2 ? u && t : mode === 3 ? u || t : false) { popupAt = p; break; }
    }
    const a = all();
    const n = a.length;
    const live = popupAt < 0 ? checks : checks.filter((c) => c[0] < popupAt);
    setWatch(live.map((c) => c[2]));
    const outcomes = checks.map(([p, k, id]) => {
      if ((popupAt >= 0 && p >= popupAt) || k < 0 || k >= n) return 0;
      const e = a[k];
      if (ident(e) !== id) return 1;
      hide(e);
      return 2;
    });
    const head = [url, title, popupAt, outcomes, location.host];
    if (!search) return head;
    const [key, given, statuses] = search;
    const l = listOf(key, given);
    const rows = l.rows;
    const st = Array.from(rows, (r, i) => statuses[i] | 0);
    checks.forEach(([p], j) => { if (outcomes[j] === 2) st[p] = 1; else if (outcomes[j] === 1) st[p] = 0; });
    const body = document.body;
    if (!body) return head.concat([0, [], [], []]);
    const candidates = [];
    if (st.some((x) => x === 0)) {
      const found = l.search(body.outerHTML);
      for (let i = 0; i < rows.length; i++) if (st[i] === 0 && found[i]) { st[i] = 2; candidates.push(i); }
    }
    const located = [];
    const last = new Map();  // each located filter's last element
    for (const tag of passTags) {
      const byTag = l.byTag.get(tag);
      if (!byTag || !byTag.rows.some((i) => st[i] === 2)) continue;
      const first = byTag.first;
      // Both lists are in document order: the positions come from one walk.
      // (What this tag's collection holds has this tag: only an OBJECT
      // needs the whole identity rule.)
      let j = 0;
      for (const e of document.getElementsByTagName(tag)) {
        while (j < n && a[j] !== e) j++;
        if (j === n) break;
        const f = first.get(tag === 'OBJECT' ? ident(e) : attr(e, 'src'));
        if (f !== undefined) { located.push([f, j]); last.set(f, e); }
      }
    }
    // Each located filter checked at its last place at once, as the next
    // check would: the adverts are gone at the completion (a window that a
    // popup filter recognises is closed instead). Nothing has changed since
    // the walk: its element still has the filter's identity.
    const settled = popupAt >= 0 ? [] : Array.from(last).sort((x, y) => x[0] - y[0]).map(([f, e]) => {
      hide(e);
      return [f, 2];
    });
    if (settled.length) setWatch(live.map((c) => c[2]).concat(settled.filter((s) => s[1] === 2).map((s) => rows[s[0]][1])));
    return head.concat([1, candidates, located, settled]);
  };
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
    // Returns the identity that starts or stops being watched, else ''.
    setDisplay: (i, v) => {
      const e = get(i);
      const s = e.style;
      if (!s) throw 0;
      const t = tagOf(e);
      const id = adTag(t) ? ident(e) : '';
      if (v === 'none') { hide(e); if (id === '') return ['', location.host]; watch.add(id); return [id, location.host]; }
      if (hidden.has(e)) show(e); else s.display = v;
      if (v === '' && id !== '' && watch.delete(id)) return [id, location.host];
      return ['', location.host];
    },
    // The element a filter hid, shown again: only while it is still that element.
    unhide: (k, t, id) => {
      const e = all()[k];
      if (!e || tagOf(e) !== t || ident(e) !== id || !e.style) return 0;
      if (hidden.has(e)) show(e); else if (e.style.display === 'none') e.style.display = '';
      watch.delete(id);
      return 1;
    },
    // From the script registered for new documents: only on the same host.
    watch: (list, host) => (location.host === host ? setWatch(list) : 0),
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
      setWatch(list.map((c) => c[1]));
      return [list.map(([k, id]) => {
        if (k < 0 || k >= n) return 0;
        const e = a[k];
        if (ident(e) !== id) return 1;
        hide(e);
        return 2;
      }), location.host];
    },
    idents: () => Array.from(all(), (e) => {
      const g = tagOf(e);
      const o = g === 'OBJECT';
      return [g, ident(e), hasSrc(g) ? attr(e, 'src') : '', o ? e.innerHTML : '', o ? attr(e, 'codebase') : ''];
    }),
    bars: () => [window.toolbar.visible ? 1 : 0, window.menubar.visible ? 1 : 0],
    // A check (no search) that examined the document ends with whether the
    // change observer is armed.
    pass: (popups, checks, search, expected) => {
      const answer = pass(popups, checks, search, String(expected));
      if (!search && answer.length === 5) answer.push(arm());
      return answer;
    },
  };
  Object.freeze(ops);
  Object.defineProperty(globalThis, '__qm', {
    value: (name, args, anyState) => {
      disarm();
      settled();
      if (!anyState && document.readyState === 'loading') return [0];
      if (!Object.prototype.hasOwnProperty.call(ops, name)) return [0];
      try { return [1, ops[name](...args)]; } catch (e) { return [0]; }
    },
  });
  return true;
})())JS";

}  // namespace qm::cdp
