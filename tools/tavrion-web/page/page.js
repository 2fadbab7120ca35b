// The operator's page: every station of the machine live from tavrion-web's
// event stream (/api/events), its controls posted as changes
// (/api/stations/NAME/command) with the operator's token. Nothing here
// keeps the station's state beyond what it shows: each line of the station
// is drawn as it comes.
'use strict';

(function () {
  const TOKEN_KEY = 'tavrion-web-token';
  const PLOT_SECONDS = 60;
  const NOTE_DONE_MS = 6000;

  const stations = new Map();  // name -> the station's card and its plot's points
  let changesAllowed = true;
  let stream = null;
  let streamPause = 1000;

  const $ = (id) => document.getElementById(id);

  // --- the token --------------------------------------------------------

  function storedToken() {
    try {
      return window.localStorage.getItem(TOKEN_KEY) || '';
    } catch (e) {
      return '';
    }
  }

  function storeToken(token) {
    try {
      if (token) window.localStorage.setItem(TOKEN_KEY, token);
      else window.localStorage.removeItem(TOKEN_KEY);
    } catch (e) {
      // A browser that keeps nothing asks again after a reload.
    }
    memoryToken = token;
    showTokenState();
  }

  let memoryToken = storedToken();

  function showTokenState() {
    const off = !changesAllowed;
    $('changes-off').hidden = !off;
    $('token-state').textContent = off ? 'Watching only' :
      memoryToken ? 'Token entered' : 'No token: watching only';
    $('token-button').textContent = memoryToken ? 'Forget token' : 'Enter token';
    $('token-button').hidden = off;
  }

  function askToken() {
    if (!changesAllowed) return;
    $('token-form').hidden = false;
    $('token-input').value = '';
    $('token-input').focus();
  }

  $('token-button').addEventListener('click', () => {
    if (memoryToken) storeToken('');
    else askToken();
  });
  $('token-form').addEventListener('submit', (event) => {
    event.preventDefault();
    storeToken($('token-input').value.trim());
    $('token-form').hidden = true;
  });
  $('token-cancel').addEventListener('click', () => { $('token-form').hidden = true; });

  // --- a station's card ---------------------------------------------------

  function card(name) {
    let station = stations.get(name);
    if (station) return station;
    const node = $('station-template').content.firstElementChild.cloneNode(true);
    node.dataset.station = name;
    node.querySelector('.name').textContent = name;
    station = { name: name, node: node, altitude: [], rate: [], up: false };
    node.querySelectorAll('button[data-command]').forEach((button) => {
      button.addEventListener('click', () => change(station, button));
    });
    // The stations in the order of their names.
    const after = Array.from(stations.keys()).sort().find((other) => other > name);
    $('stations').insertBefore(node, after ? stations.get(after).node : null);
    $('no-stations').hidden = true;
    stations.set(name, station);
    return station;
  }

  function field(station, name) {
    return station.node.querySelector('[data-field="' + name + '"]');
  }

  function show(station, name, text) {
    const node = field(station, name);
    if (node && node.textContent !== text) node.textContent = text;
  }

  function fixed(value, decimals) {
    return typeof value === 'number' ? value.toFixed(decimals) : '–';
  }

  function pressed(station, command, current) {
    station.node.querySelectorAll('button[data-command="' + command + '"]').forEach((button) => {
      button.setAttribute('aria-pressed', String(button.dataset.args === current));
    });
  }

  function showLamp(station, lamp, link) {
    const node = field(station, 'lamp');
    node.className = 'lamp ' + (lamp || 'grey');
    show(station, 'link', link || '');
  }

  function showRunning(station, running) {
    station.node.querySelector('button[data-command="pause"]')
      .setAttribute('aria-pressed', String(!running));
    station.node.querySelector('button[data-command="resume"]')
      .setAttribute('aria-pressed', String(running));
  }

  function showReceivers(station, receivers) {
    if (!Array.isArray(receivers) || receivers.length === 0) {
      show(station, 'receivers', 'none');
      return;
    }
    show(station, 'receivers', receivers.map((r) =>
      r.address + (r.failing ? ' (failing, ' + r.failed + ' lost)' : '')).join(', '));
  }

  function showMapAltitude(station, metres) {
    show(station, 'map_altitude', fixed(metres, 0) + ' m');
    const input = station.node.querySelector('input[data-input="map-altitude"]');
    if (document.activeElement !== input && typeof metres === 'number') input.value = metres;
  }

  function showOffset(station, airport, offset) {
    show(station, 'airport', airport || 'none reported');
    show(station, 'offset', fixed(offset, 2) + ' m');
  }

  function addPoint(points, value) {
    if (typeof value !== 'number') return;
    const now = performance.now() / 1000;
    points.push([now, value]);
    while (points.length > 0 && points[0][0] < now - PLOT_SECONDS) points.shift();
  }

  function showStatus(station, s) {
    show(station, 'counter', String(s.counter));
    show(station, 'rate', fixed(s.rate, 1) + '/s' +
      (s.rate > 0 ? ' (' + (1000 / s.rate).toFixed(1) + ' ms)' : ''));
    show(station, 'segment', (s.segment_name ? s.segment_name + ' ' : '') + s.segment +
      (s.data_frozen ? ', not updated' : ''));
    showOffset(station, s.airport, s.offset);
    show(station, 'altitude', fixed(s.altitude, 1) + ' m');
    show(station, 'view', s.view);
    pressed(station, 'view', s.view);
    showMapAltitude(station, s.map_altitude);
    show(station, 'slew', s.slew ? 'on' : 'off');
    pressed(station, 'slew', s.slew ? 'on' : 'off');
    showReceivers(station, s.receivers);
    show(station, 'message', s.message || '');
    showLamp(station, s.lamp, s.link);
    showRunning(station, s.running);
    addPoint(station.rate, s.rate);
  }

  // One line of the station's watch, as the station wrote it.
  function onLine(station, line) {
    switch (line.event) {
      case 'status':
        showStatus(station, line);
        break;
      case 'figures':
        show(station, 'counter', String(line.counter));
        show(station, 'altitude', fixed(line.altitude, 1) + ' m');
        addPoint(station.altitude, line.altitude);
        break;
      case 'message':
        show(station, 'message', line.message || '');
        break;
      case 'lamp':
        showLamp(station, line.lamp, line.link);
        break;
      case 'view':
        show(station, 'view', line.view);
        pressed(station, 'view', line.view);
        break;
      case 'offset':
        showOffset(station, line.airport, line.offset);
        break;
      case 'map-altitude':
        showMapAltitude(station, line.map_altitude);
        break;
      case 'slew':
        show(station, 'slew', line.slew ? 'on' : 'off');
        pressed(station, 'slew', line.slew ? 'on' : 'off');
        break;
      case 'segment':
        show(station, 'segment', line.segment);
        show(station, 'message', line.message || '');
        break;
      case 'paused':
      case 'resumed':
        showRunning(station, line.event === 'resumed');
        break;
      case 'saved':
        show(station, 'message', line.message || 'saved');
        break;
      case 'report':
        show(station, 'message', (line.caption ? line.caption + ': ' : '') + (line.message || ''));
        break;
      default:
        break;
    }
  }

  const STATE_WORDS = { connecting: 'Reaching the station…' };

  function onState(station, state, reason) {
    station.up = state === 'up';
    station.node.classList.toggle('down', !station.up);
    station.node.querySelector('.state-note').textContent =
      station.up ? '' : (STATE_WORDS[state] || 'Not watched: ' + reason + ' (trying again)');
    if (!station.up) {
      showLamp(station, 'grey', state === 'connecting' ? '' : 'not reached');
      station.rate.length = 0;
      station.altitude.length = 0;
    }
    enableControls(station);
  }

  function enableControls(station) {
    station.node.querySelectorAll('.controls button, .controls input').forEach((control) => {
      control.disabled = !station.up || !changesAllowed;
    });
  }

  // --- changes --------------------------------------------------------------

  function note(button, kind, text) {
    const node = button.closest('fieldset').querySelector('.note');
    node.className = 'note ' + kind;
    node.textContent = text;
    clearTimeout(node.timer);
    if (kind === 'done') node.timer = setTimeout(() => { node.textContent = ''; }, NOTE_DONE_MS);
  }

  function doneText(command, reply) {
    if (command === 'trim') return reply.airport + ' offset ' + fixed(reply.offset, 2) + ' m';
    if (command === 'save') return reply.message || 'saved';
    return 'done';
  }

  async function change(station, button) {
    const command = button.dataset.command;
    let args = button.dataset.args ? [button.dataset.args] : [];
    if (button.dataset.from) {
      const value = station.node.querySelector('input[data-input="' + button.dataset.from + '"]').value;
      if (value.trim() === '') {
        note(button, 'refused', 'Type a height first');
        return;
      }
      args = [value.trim()];
    }
    const headers = { 'Content-Type': 'application/json' };
    if (memoryToken) headers['X-Tavrion-Token'] = memoryToken;
    note(button, 'waiting', 'Sent…');
    let reply = null;
    let status = 0;
    try {
      const response = await fetch('/api/stations/' + encodeURIComponent(station.name) + '/command', {
        method: 'POST',
        headers: headers,
        body: JSON.stringify({ command: command, arguments: args }),
        cache: 'no-store',
      });
      status = response.status;
      reply = await response.json();
    } catch (e) {
      note(button, 'refused', 'Not sent: the server cannot be reached');
      return;
    }
    if (reply && reply.ok) {
      note(button, 'done', doneText(command, reply));
      return;
    }
    note(button, 'refused', 'Refused: ' + ((reply && reply.error) || 'status ' + status));
    if (status === 401) {
      storeToken('');
      askToken();
    }
  }

  // --- the plot -------------------------------------------------------------

  // One line of the plot, scaled to its own range: the altitude to what it
  // spans (at least a metre), the rate from zero, so that a drop stands out.
  function drawSeries(context, points, now, box, colour, fromZero) {
    if (points.length === 0) return null;
    let low = Infinity;
    let high = -Infinity;
    points.forEach((p) => { low = Math.min(low, p[1]); high = Math.max(high, p[1]); });
    let floor = low;
    let span = high - low;
    if (fromZero) {
      floor = 0;
      span = Math.max(high * 1.25, 1);
    } else if (span < 1) {
      floor = (low + high) / 2 - 0.5;
      span = 1;
    }
    context.strokeStyle = colour;
    context.lineWidth = 2;
    context.beginPath();
    points.forEach((p, i) => {
      const x = box.left + box.width * (1 - (now - p[0]) / PLOT_SECONDS);
      const y = box.top + box.height * (1 - (p[1] - floor) / span);
      if (i === 0) context.moveTo(x, y); else context.lineTo(x, y);
    });
    context.stroke();
    return { low: low, high: high };
  }

  function draw(station) {
    const canvas = station.node.querySelector('.plot');
    const scale = window.devicePixelRatio || 1;
    const width = canvas.clientWidth;
    const height = canvas.clientHeight;
    if (width === 0 || height === 0) return;
    if (canvas.width !== Math.round(width * scale)) canvas.width = Math.round(width * scale);
    if (canvas.height !== Math.round(height * scale)) canvas.height = Math.round(height * scale);
    const context = canvas.getContext('2d');
    context.setTransform(scale, 0, 0, scale, 0, 0);
    context.clearRect(0, 0, width, height);
    const box = { left: 8, top: 24, width: width - 16, height: height - 36 };
    context.strokeStyle = '#38414b';
    context.lineWidth = 1;
    for (let s = 0; s <= PLOT_SECONDS; s += 15) {
      const x = box.left + box.width * (s / PLOT_SECONDS);
      context.beginPath();
      context.moveTo(x, box.top);
      context.lineTo(x, box.top + box.height);
      context.stroke();
    }
    const now = performance.now() / 1000;
    const altitude = drawSeries(context, station.altitude, now, box, '#4aa3ff', false);
    const rate = drawSeries(context, station.rate, now, box, '#ff9f1a', true);
    context.font = '14px system-ui, sans-serif';
    context.fillStyle = '#4aa3ff';
    context.fillText(altitude ? 'altitude sent ' + altitude.low.toFixed(1) + ' to ' +
      altitude.high.toFixed(1) + ' m' : 'altitude sent', box.left, 16);
    context.fillStyle = '#ff9f1a';
    const rateText = rate ? 'rate ' + rate.low.toFixed(1) + ' to ' + rate.high.toFixed(1) + ' /s' : 'rate';
    context.fillText(rateText, box.left + box.width - context.measureText(rateText).width, 16);
    context.fillStyle = '#9aa6b1';
    context.fillText('the last minute', box.left + box.width / 2 - 45, height - 2);
  }

  setInterval(() => stations.forEach(draw), 500);

  // --- the event stream -------------------------------------------------------

  function serverState(text, lost) {
    $('server-state').textContent = text;
    $('server-state').classList.toggle('lost', lost);
  }

  function readStations() {
    return fetch('/api/stations', { cache: 'no-store' })
      .then((response) => response.json())
      .then((list) => {
        changesAllowed = !!list.changes;
        if (list.looking_in) {
          $('no-stations').textContent = 'No station yet: looking for them in ' + list.looking_in + '.';
        }
        showTokenState();
        stations.forEach(enableControls);
        if (changesAllowed && !memoryToken && !readStations.asked) {
          readStations.asked = true;
          askToken();
        }
      })
      .catch(() => {});
  }

  function connect() {
    stream = new EventSource('/api/events');
    stream.addEventListener('open', () => {
      streamPause = 1000;
      serverState('Live', false);
      readStations();
    });
    stream.addEventListener('station', (event) => {
      const message = JSON.parse(event.data);
      onState(card(message.station), message.state, message.reason);
    });
    stream.addEventListener('line', (event) => {
      const message = JSON.parse(event.data);
      onLine(card(message.station), message.line);
    });
    stream.addEventListener('error', () => {
      serverState('The server cannot be reached: trying again…', true);
      stations.forEach((station) => onState(station, 'down', 'the server cannot be reached'));
      if (stream.readyState === EventSource.CLOSED) {
        // Refused (the server serves enough browsers) or gone: again later,
        // each time a little later.
        stream = null;
        setTimeout(connect, streamPause);
        streamPause = Math.min(streamPause * 2, 15000);
      }
    });
  }

  showTokenState();
  connect();
})();
