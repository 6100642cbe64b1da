// The web panel: the command buttons as the dialog groups them, and the assumed state, pushed by
// the bridge on /api/events whenever it changes.
"use strict";

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
    api("/api/commands/" + command.name, { method: "POST" })
      .then((answer) => say("sent " + answer.sent.name + " at " + answer.sent.at.slice(11)))
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

function show(state) {
  const line = document.getElementById("line");
  line.textContent = state.line.open ? "line " + state.line.name : "line gone: " + state.line.reason;
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
function listen() {
  const url = (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/api/events" +
    (token ? "?token=" + encodeURIComponent(token) : "");
  const events = new WebSocket(url);
  events.onmessage = (message) => show(JSON.parse(message.data).state);
  events.onclose = () => {
    say("live state lost; connecting again…");
    setTimeout(listen, 1000);
  };
}

api("/api/commands").then(layOut).then(listen).catch((error) => say("no commands: " + error.message));
