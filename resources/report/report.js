// The history report's charts: uPlot charts over the embedded series, with a shared cursor,
// zoom (drag, wheel, buttons), pan, resync marks, threshold lines and a printed size.
(function () {
  'use strict';
  const started = performance.now();
  const read = (id) => JSON.parse(document.getElementById(id).textContent);
  const summary = read('verdalin-summary');
  const data = read('verdalin-series');
  const DAY = 86400;
  const PRINT_WIDTH = 680;  // about 180 mm at 96 pixels per inch
  const PRINT_HEIGHT = 190;  // the four charts on one page

  const xs = new Array(data.steps.length);
  let time = data.start;
  data.steps.forEach((step, i) => { time += step; xs[i] = time; });
  const whole = xs.length ? [xs[0], Math.max(xs[xs.length - 1], xs[0] + 60)] : [0, 60];
  const [DOWN, UP, SNR_DOWN, SNR_UP, ATT_DOWN, ATT_UP, CRC] = data.series;

  // Times in the log are the gateway's wall clock: show them as they are, in no time zone.
  const wallClock = (seconds) => uPlot.tzDate(new Date(seconds * 1e3), 'Etc/UTC');

  // Horizontal lines at fixed values of a scale; their labels go in the chart's caption, clear of
  // the data and kept on paper.
  function levelLines(lines) {
    const key = (u) => {
      const caption = u.root.closest('figure').querySelector('figcaption');
      for (const line of lines) {
        const item = document.createElement('span');
        item.className = 'level';
        item.style.setProperty('--colour', line.colour);
        item.textContent = line.label;
        caption.append(' ', item);
      }
    };
    return { hooks: { init: [key], draw: [(u) => {
      const ctx = u.ctx;
      const { left, top, width, height } = u.bbox;
      ctx.save();
      for (const line of lines) {
        const y = Math.round(u.valToPos(line.value, line.scale, true));
        if (y < top || y > top + height) continue;
        ctx.strokeStyle = line.colour;
        ctx.lineWidth = devicePixelRatio;
        ctx.setLineDash([6 * devicePixelRatio, 4 * devicePixelRatio]);
        ctx.beginPath(); ctx.moveTo(left, y); ctx.lineTo(left + width, y); ctx.stroke();
      }
      ctx.restore();
    }] } };
  }

  // A dashed vertical line at each resync within the visible range.
  const resyncMarks = { hooks: { draw: [(u) => {
    const ctx = u.ctx;
    const { top, height } = u.bbox;
    const { min, max } = u.scales.x;
    ctx.save();
    ctx.strokeStyle = 'rgba(170, 30, 160, 0.55)';
    ctx.lineWidth = devicePixelRatio;
    ctx.setLineDash([3 * devicePixelRatio, 3 * devicePixelRatio]);
    ctx.beginPath();
    for (const t of data.resyncs) {
      if (t < min || t > max) continue;
      const x = Math.round(u.valToPos(t, 'x', true));
      ctx.moveTo(x, top); ctx.lineTo(x, top + height);
    }
    ctx.stroke();
    ctx.restore();
  }] } };

  const charts = [];
  let spreading = false;
  // A zoom on one chart is a zoom on all of them.
  function spreadRange(u, key) {
    if (key !== 'x' || spreading) return;
    spreading = true;
    const { min, max } = u.scales.x;
    for (const other of charts) if (other !== u) other.setScale('x', { min, max });
    spreading = false;
  }

  const line = (label, colour, scale, unit) => ({
    label, stroke: colour, width: 1.25, scale, spanGaps: false,
    value: (u, v) => (v == null ? '-' : `${v} ${unit}`),
  });
  const axis = (scale, side, unit) => ({ scale, side, size: 60, label: unit, labelSize: 18,
    grid: { show: side === 3, stroke: '#e6e9ee' } });
  // The same scale on both sides, so that every chart's plot spans the same width.
  const axes = (scale, unit) => [axis(scale, 3, unit), axis(scale, 1, unit)];
  // Ticks as the rest of the page writes times: whole days as YYYY/MM/DD, times of day as 24-hour
  // HH:MM with the day below the first tick and where the day changes. Each row: the least step
  // in seconds, the tick's text, then the text added when the year, month, day, hour, minute or
  // second changes, and 1 (added to the tick's text).
  const DATE = '{YYYY}/{MM}/{DD}';
  const timeTicks = [
    [DAY, DATE, null, null, null, null, null, null, 1],
    [60, '{HH}:{mm}', `\n${DATE}`, null, `\n${DATE}`, null, null, null, 1],
    [1, '{HH}:{mm}:{ss}', `\n${DATE}`, null, `\n${DATE}`, null, null, null, 1],
  ];
  const timeAxis = { grid: { stroke: '#e6e9ee' }, values: timeTicks, space: 80 };

  function makeChart(id, series, columns, axes, scales, plugins) {
    const element = document.querySelector(`#${id} .plot`);
    const options = {
      width: element.clientWidth || 900, height: 250, tzDate: wallClock,
      cursor: { sync: { key: 'verdalin' }, drag: { x: true, y: false } },
      scales: Object.assign({ x: { time: true, range: (u, min, max) => [min, max] } }, scales),
      series: [{ value: '{YYYY}/{MM}/{DD} {HH}:{mm}' }].concat(series),
      axes: [timeAxis].concat(axes), plugins: plugins.concat([resyncMarks]),
      hooks: { setScale: [spreadRange] },
    };
    const chart = new uPlot(options, [xs].concat(columns), element);
    chart.over.addEventListener('wheel', (event) => wheelZoom(chart, event), { passive: false });
    charts.push(chart);
  }

  const subscribed = data.subscribed_line_kbps;  // only a rate the user set
  const reach = (extra) => (u, min, max) => [Math.min(0, min ?? 0), Math.max(max ?? 1, extra) * 1.05];
  makeChart('chart-rates',
    [line('Down', '#1f5fbf', 'kbps', 'kbit/s'), line('Up', '#d9681a', 'up', 'kbit/s')],
    [DOWN, UP], [axis('kbps', 3, 'down kbit/s'), axis('up', 1, 'up kbit/s')],
    { kbps: { range: reach(subscribed || 1) }, up: { range: reach(1) } },
    subscribed ? [levelLines([{ value: subscribed, scale: 'kbps', colour: '#2e7d32',
      label: `subscribed ${subscribed} kbit/s` }])] : []);
  makeChart('chart-snr',
    [line('Down', '#1f5fbf', 'db', 'dB'), line('Up', '#d9681a', 'db', 'dB')],
    [SNR_DOWN, SNR_UP], axes('db', 'dB'),
    { db: { range: reach(data.snr_rearm_db + 1) } },
    [levelLines([
      { value: data.snr_low_db, scale: 'db', colour: '#c62828', label: `low ${data.snr_low_db} dB` },
      { value: data.snr_rearm_db, scale: 'db', colour: '#ef8f00', label: `re-arm ${data.snr_rearm_db} dB` },
    ])]);
  makeChart('chart-attenuation',
    [line('Down', '#1f5fbf', 'db', 'dB'), line('Up', '#d9681a', 'db', 'dB')],
    [ATT_DOWN, ATT_UP], axes('db', 'dB'), { db: { range: reach(1) } }, []);
  makeChart('chart-crc', [line('CRC errors', '#8e24aa', 'crc', 'per minute')], [CRC],
    axes('crc', 'per minute'), { crc: { range: reach(1) } }, []);

  function show(min, max) {
    const span = Math.min(Math.max(max - min, 60), whole[1] - whole[0]);
    min = Math.max(whole[0], Math.min(min, whole[1] - span));
    charts[0].setScale('x', { min, max: min + span });
  }

  function wheelZoom(chart, event) {
    event.preventDefault();
    const { min, max } = chart.scales.x;
    const at = chart.posToVal(event.offsetX, 'x');
    const factor = event.deltaY < 0 ? 0.75 : 1 / 0.75;
    show(at - (at - min) * factor, at + (max - at) * factor);
  }

  document.querySelectorAll('.toolbar button').forEach((button) => {
    button.addEventListener('click', () => {
      const { min, max } = charts[0].scales.x;
      const { days, pan, zoom } = button.dataset;
      if (days === '0') show(whole[0], whole[1]);
      else if (days) show(whole[1] - days * DAY, whole[1]);
      else if (pan) show(min + pan * (max - min) / 2, max + pan * (max - min) / 2);
      else if (zoom) show((min + max) / 2 - (max - min) * zoom / 2, (min + max) / 2 + (max - min) * zoom / 2);
    });
  });

  const fit = (width, height) => charts.forEach((chart) => {
    chart.setSize({ width: width || chart.root.parentElement.clientWidth, height: height || 250 });
  });
  window.addEventListener('resize', () => fit());
  window.addEventListener('beforeprint', () => fit(PRINT_WIDTH, PRINT_HEIGHT));
  window.addEventListener('afterprint', () => fit());

  const note = document.querySelector('.resolution');
  const stamp = (t) => new Date(t * 1e3).toISOString().slice(0, 16).replace('T', ' ').replaceAll('-', '/');
  note.textContent = data.bucket_s > 0
    ? `Every poll from ${stamp(data.full_from)} on; before that each ${data.bucket_s / 60}-minute ` +
      'stretch is drawn by its lowest and highest values, so no dip or peak is lost.'
    : 'Every poll is drawn.';

  requestAnimationFrame(() => {
    window.verdalinReport = {
      summary, charts: charts.length, points: xs.length, drawMs: performance.now() - started,
      visibleRange: () => [charts[0].scales.x.min, charts[0].scales.x.max],
      rangeOf: (i) => [charts[i].scales.x.min, charts[i].scales.x.max],
      timeTicks: (i) => charts[i].axes[0]._values,
    };
    document.documentElement.dataset.ready = 'true';
  });
})();
