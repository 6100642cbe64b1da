// The web panel: the command buttons as the dialog groups them, and the assumed state, pushed by
// the bridge on its events whenever it changes. With several lines, the one picked (kept in the
// address as #line=NAME) is the one driven and shown.
"use strict";

let linePath = "/api";  // the picked line's API: /api/lines/NAME with several lines

// A token given as #token=... once is kept for this tab, and sent with every API call.
const token = (() => {
  const given = new URLSearchParams(location.hash.slice(1)).get("token");
  if (given) {
    sessionStorage.setItem("quorvex-token", given);
    history.replaceState(null, "", location.pathname);
  }
  return sessionStorage.getItem("quorvex-token");
})();

function api(path, options = {}) {
  const headers = token ? { Authorization: "Bearer " + token } : {};
  return fetch(path, { ...options, headers }).then(async (response) => {
    const body = await response.json().catch(() => ({}));
    if (!response.ok) throw new Error(body.error || "HTTP " + response.status);
    return body;
  });
}

function element(tag, attributes = {}, ...children) {
  const made = document.createElement(tag);
  Object.assign(made, attributes);
  made.append(...children);
  return made;
}

function say(text) { document.getElementById("message").textContent = text; }

function button(command) {
  const made = element("button", { className: "command", type: "button", title: command.meaning + " (" + command.code + ")" },
    // Twice the icon's own size: its pixels stay sharp, 24 and 32 alike.
    element("img", { src: command.icon, alt: "", onload() { this.width = this.naturalWidth * 2; } }),
    element("span", { className: "caption" }, command.caption),
    element("span", { className: "meaning" }, command.meaning));
  made.dataset.name = command.name;
  made.addEventListener("click", () => {
    say("sending " + command.name + "…");
    api(linePath + "/commands/" + command.name, { method: "POST" })
      .then((answer) => say(answer.sent ? "sent " + answer.sent.name + " at " + answer.sent.at.slice(11) : answer.note))
      .catch((error) => say("not sent: " + error.message));
  });
  return made;
}

// Groups in the dialog's order, top to bottom; the buttons of a group left to right.
function layOut(commands) {
  const byPlace = (a, b) => a.dialog.y - b.dialog.y || a.dialog.x - b.dialog.x;
  const sections = new Map();
  for (const command of [...commands].sort(byPlace)) {
    const outer = command.dialog.outerGroup, inner = command.dialog.group;
    if (!sections.has(outer)) sections.set(outer, new Map());
    if (!sections.get(outer).has(inner)) sections.get(outer).set(inner, []);
    sections.get(outer).get(inner).push(command);
  }
  const box = (name, content) => name ? element("fieldset", {}, element("legend", {}, name), ...content) : element("div", {}, ...content);
  const root = document.getElementById("buttons");
  for (const [outer, groups] of sections) {
    const inner = [...groups].map(([name, list]) =>
      box(name, [element("div", { className: "row" }, ...list.sort((a, b) => a.dialog.x - b.dialog.x).map(button))]));
    root.append(outer ? box(outer, inner) : element("div", {}, ...inner));
  }
}

// With several lines, a list to pick one: the line given in the address, else the first.
function pickLine(lines) {
  if (lines.length < 2) return;
  const pick = document.getElementById("line-pick");
  pick.replaceChildren(...lines.map((line) => element("option", { value: line.name }, line.name)));
  const asked = new URLSearchParams(location.hash.slice(1)).get("line");
  pick.value = lines.some((line) => line.name === asked) ? asked : lines[0].name;
  const use = () => {
    linePath = "/api/lines/" + encodeURIComponent(pick.value);
    history.replaceState(null, "", "#line=" + encodeURIComponent(pick.value));
    const before = events;
    listen();
    if (before) before.close();
  };
  pick.addEventListener("change", use);
  document.getElementById("lines").hidden = false;
  use();
}

// The correction's choices are the table's layouts and audio sources; it sends no frame.
function offerCorrection(commands) {
  const form = document.getElementById("correction");
  for (const group of ["layout", "audio"])
    form.elements[group].replaceChildren(...commands.filter((c) => c.group === group)
      .map((c) => element("option", { value: c.name }, c.meaning)));
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    const correction = { layout: form.elements.layout.value, audio: form.elements.audio.value,
      standby: form.elements.standby.value === "true" };
    api(linePath + "/state", { method: "PUT", body: JSON.stringify(correction) })
      .then((state) => { show(state); say("state corrected; nothing sent"); })
      .catch((error) => say("not corrected: " + error.message));
  });
}

// The form starts from what is assumed, so only what differs needs changing.
function showInCorrection(state) {
  const form = document.getElementById("correction");
  if (document.getElementById("correct").open && form.contains(document.activeElement)) return;
  form.elements.layout.value = state.layout.command;
  form.elements.audio.value = state.audio.command;
  form.elements.standby.value = String(state.standby);
}

function show(state) {
  showInCorrection(state);
  const line = document.getElementById("line");
  line.textContent = state.line.open ? "line " + state.line.address : "line gone: " + state.line.reason;
  line.classList.toggle("gone", !state.line.open);
  document.getElementById("note").textContent = state.note;
  document.getElementById("layout").textContent = state.layout.text;
  document.getElementById("audio").textContent = state.audio.text;
  document.getElementById("standby").textContent = state.standby ? "on" : "off";
  const s = state.switches;
  document.getElementById("switches").textContent = `mode ${s.mode}, resolution ${s.resolution}, single screen ${s.singleScreen}, ` +
    `two-way split ${s.twoWaySplit}, one large three small ${s.oneLargeThreeSmall}`;
  for (const made of document.querySelectorAll("button.command")) {
    const current = state.current.includes(made.dataset.name);
    made.classList.toggle("current", current);
    made.setAttribute("aria-pressed", current);
  }
  document.getElementById("recent").replaceChildren(...state.recent.map((frame) =>
    element("li", {}, element("time", { dateTime: frame.at }, frame.at.slice(11)), " " + frame.name + " [" + frame.frame + "]")));
}

// A browser cannot give a WebSocket the Authorization header: the token goes in the URL instead.
let events = null;  // the picked line's
function listen() {
  const url = (location.protocol === "https:" ? "wss://" : "ws://") + location.host + linePath + "/events" +
    (token ? "?token=" + encodeURIComponent(token) : "");
  const socket = new WebSocket(url);
  events = socket;
  socket.onmessage = (message) => show(JSON.parse(message.data).state);
  socket.onclose = () => {
    if (events !== socket) return;  // another line was picked
    say("live state lost; connecting again…");
    setTimeout(listen, 1000);
  };
}

api("/api/commands").then((commands) => { layOut(commands); offerCorrection(commands); })
  .then(() => api("/api/lines")).then(pickLine).then(() => events || listen())
  .catch((error) => say("no commands: " + error.message));
