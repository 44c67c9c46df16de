// Makes the reference values the indicator tests compare with: TA-Lib's own EMA, BBANDS, ADX/+DI/-DI,
// SAR and MACD, from its WebAssembly build, over a fixed series of 300 daily bars.
//
//   mkdir -p /tmp/talib && (cd /tmp/talib && npm install talib-web)
//   node tools/indicator_goldens.mjs /tmp/talib/node_modules/talib-web tests/data/indicators
//
// The compiled functions are called directly: the package's JavaScript wrapper passes null for the
// output start index and count, so its arrays are not aligned with the input. Here every output is
// placed at the bar it belongs to and written with 6 decimals; a bar without a value is left empty.
// MACD is written twice: macd.csv with each EMA seeded on its own first inputs (TA_EMA chained, the
// form the chart takes), and macd_talib.csv as TA_MACD returns it (its fast EMA seeded later).
import { createRequire } from 'node:module';
import fs from 'node:fs';
import path from 'node:path';

const [pkgDir, outDir] = process.argv.slice(2);
if (!pkgDir || !outDir) {
    console.error('usage: node indicator_goldens.mjs TALIB_WEB_DIR OUT_DIR');
    process.exit(2);
}
const require = createRequire(import.meta.url);
const talib = require(path.resolve(pkgDir));
// Node has fetch(), which would make the loader fetch the file as a URL: read it from disk instead.
delete globalThis.fetch;
const M = await talib.init(path.resolve(pkgDir, 'lib/talib.wasm'));

// The input: a random walk of whole-yen prices near 1,500 yen with overnight gaps, weekdays only,
// made by a fixed generator so the file is the same on every run.
let seed = 20240131;
function rnd() {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
}
const bars = [];
let close = 1500;
let day = new Date(Date.UTC(2023, 0, 4));
while (bars.length < 300) {
    const wd = day.getUTCDay();
    if (wd !== 0 && wd !== 6) {
        const gap = rnd() < 0.05 ? Math.round((rnd() - 0.5) * 120) : 0;
        const open = Math.max(50, close + gap + Math.round((rnd() - 0.5) * 20));
        const next = Math.max(50, open + Math.round((rnd() - 0.48) * 50));
        const high = Math.max(open, next) + Math.round(rnd() * 15);
        const low = Math.min(open, next) - Math.round(rnd() * 15);
        const volume = 10000 + Math.round(rnd() * 500000);
        const ymd = day.toISOString().slice(0, 10).replaceAll('-', '');
        bars.push({ ymd, open, high, low, close: next, volume });
        close = next;
    }
    day = new Date(day.getTime() + 86400000);
}
fs.mkdirSync(outDir, { recursive: true });
fs.writeFileSync(path.join(outDir, 'input.csv'),
    'date,open,high,low,close,volume\n' +
    bars.map((b) => [b.ymd, b.open, b.high, b.low, b.close, b.volume].join(',')).join('\n') + '\n');

const n = bars.length;
function heap(values) {
    const ptr = M._malloc(values.length * 8);
    M.HEAPF64.set(Float64Array.from(values), ptr / 8);
    return ptr;
}
// Calls TA_<name>(0, len - 1, inputs..., options..., &outBeg, &outNb, outputs...) and returns the
// outputs aligned with the input (NaN before the first value).
function call(name, inputs, options, outputCount) {
    const len = inputs[0].length;
    const inPtrs = inputs.map(heap);
    const begPtr = M._malloc(4), nbPtr = M._malloc(4);
    const outPtrs = Array.from({ length: outputCount }, () => heap(new Array(len).fill(0)));
    const args = [0, len - 1, ...inPtrs, ...options, begPtr, nbPtr, ...outPtrs];
    const rc = M.ccall(`TA_${name}`, 'number', args.map(() => 'number'), args);
    if (rc !== 0)
        throw new Error(`TA_${name} returned ${rc}`);
    const beg = M.HEAP32[begPtr / 4], nb = M.HEAP32[nbPtr / 4];
    const outs = outPtrs.map((p) => {
        const aligned = new Array(len).fill(NaN);
        for (let i = 0; i < nb; ++i)
            aligned[beg + i] = M.HEAPF64[p / 8 + i];
        return aligned;
    });
    [...inPtrs, begPtr, nbPtr, ...outPtrs].forEach((p) => M._free(p));
    return outs;
}
function write(file, header, columns) {
    const lines = [['date', ...header].join(',')];
    for (let i = 0; i < n; ++i)
        lines.push([bars[i].ymd, ...columns.map((c) => (Number.isNaN(c[i]) ? '' : c[i].toFixed(6)))].join(','));
    fs.writeFileSync(path.join(outDir, file), lines.join('\n') + '\n');
}

const H = bars.map((b) => b.high), L = bars.map((b) => b.low), C = bars.map((b) => b.close);
const [ema12] = call('EMA', [C], [12], 1);
const [ema26] = call('EMA', [C], [26], 1);
write('ema.csv', ['ema12', 'ema26'], [ema12, ema26]);

const [up, mid, lo] = call('BBANDS', [C], [20, 2.0, 2.0, 0], 3);
write('bbands.csv', ['upper2', 'middle', 'lower2'], [up, mid, lo]);

const [adx] = call('ADX', [H, L, C], [14], 1);
const [pdi] = call('PLUS_DI', [H, L, C], [14], 1);
const [mdi] = call('MINUS_DI', [H, L, C], [14], 1);
write('adx.csv', ['pdi', 'mdi', 'adx'], [pdi, mdi, adx]);

const [sar] = call('SAR', [H, L], [0.02, 0.2], 1);
write('sar.csv', ['sar'], [sar]);

// Each EMA on its own first inputs: MACD from bar 25, its signal an EMA of the MACD values from there.
const macd = ema12.map((f, i) => f - ema26[i]);
const first = macd.findIndex((v) => !Number.isNaN(v));
const [sig] = call('EMA', [macd.slice(first)], [9], 1);
const signal = [...new Array(first).fill(NaN), ...sig];
write('macd.csv', ['macd', 'signal', 'hist'], [macd, signal, macd.map((m, i) => m - signal[i])]);

const [tm, ts, th] = call('MACD', [C], [12, 26, 9], 3);
write('macd_talib.csv', ['macd', 'signal', 'hist'], [tm, ts, th]);
console.log(`wrote ${n} bars of goldens to ${outDir}`);
