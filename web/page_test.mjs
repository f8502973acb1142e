// Opens the built page from disk in headless Chromium, with every request
// beyond the file itself refused, and checks that it is the tool: for a table
// of cases, the source, the header and the --stats report it shows are those
// that the native tool writes for the same arguments, byte for byte; its
// errors are the tool's own error lines; its downloads hold the texts; its
// plot has a point for each entry; it works from the keyboard and at 375 px.
// Each layout shows the fields of its own options. The README's figure of
// the page's size is checked against the page too.
// Usage: node page_test.mjs PAGE NATIVE_TOOL CHROMIUM ARTIFACT_FOLDER README

import puppeteer from 'puppeteer-core';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [pagePath, nativeTool, chromium, artifacts, readme] = process.argv.slice(2).map((arg) => path.resolve(arg));
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'veltabgen-page-'));
const downloads = path.join(scratch, 'downloads');
fs.mkdirSync(downloads);
fs.mkdirSync(artifacts, { recursive: true });

let passed = 0;
let failed = 0;
async function check(name, body) {
    try {
        await body();
        ++passed;
    } catch (error) {
        ++failed;
        console.log(`FAILED: ${name}\n${error.message}\n`);
    }
}

// What the native tool writes for the case: the form's defaults are left
// out, as a user of the command line would leave them.
function nativeRun(c, extra = []) {
    const base = c.name ?? `twiddle_${c.size}`;
    const args = [];
    if (c.scale !== undefined) args.push(`--scale=${c.scale}`);
    if (c.layout !== undefined) args.push(`--layout=${c.layout}`);
    if (c.type !== undefined) args.push(`--type=${c.type}`);
    if (c.round !== undefined) args.push(`--round=${c.round}`);
    if (c.window !== undefined) args.push(`--window=${c.window}`);
    if (c.symmetric) args.push('--symmetric');
    for (const option of ['sample-rate', 'mel-filters', 'dct-outputs', 'fmin', 'fmax', 'frame-length'])
        if (c[option] !== undefined) args.push(`--${option}=${c[option]}`);
    if (c.name !== undefined) args.push(`--name=${c.name}`);
    if (c.align !== undefined) args.push(`--align=${c.align}`);
    if (c.section !== undefined) args.push(`--section=${c.section}`);
    if (c.bank !== undefined) args.push(`--bank=${c.bank}`);
    // A design goes to the native tool as the page gives it to its own: a
    // file named design.txt in the folder where it runs.
    if (c.coefficients !== undefined) {
        fs.writeFileSync(path.join(scratch, 'design.txt'), c.coefficients);
        args.push('--coefficients=design.txt');
    }
    const headerPath = path.join(scratch, `${base}.h`);
    fs.rmSync(headerPath, { force: true });
    if (c.header && !extra.includes('--stats')) args.push(`--header=${headerPath}`);
    const run = spawnSync(nativeTool, [...args, ...extra, c.size], { encoding: 'utf8', cwd: scratch });
    const header = c.header && fs.existsSync(headerPath) ? fs.readFileSync(headerPath, 'utf8') : '';
    return { status: run.status, out: run.stdout, err: run.stderr, header };
}

// Fails with where two texts first differ, rather than with both whole.
function same(actual, expected, what) {
    if (actual === expected)
        return;
    const text = String(actual);
    let at = 0;
    while (at < text.length && at < expected.length && text[at] === expected[at])
        ++at;
    assert.fail(`${what} differs at character ${at} of ${expected.length}: ` +
                `${JSON.stringify(text.slice(at, at + 60))} where the tool writes ` +
                `${JSON.stringify(expected.slice(at, at + 60))}`);
}

async function fillForm(page, c) {
    await page.evaluate((c) => {
        const set = (id, value) => { document.getElementById(id).value = value; };
        set('layout', c.layout ?? 'radix2');
        document.getElementById('layout').dispatchEvent(new Event('change'));
        set('size', c.size);
        set('scale', c.scale ?? '');
        set('type', c.type ?? 'q15');
        set('round', c.round ?? '');
        set('window', c.window ?? '');
        document.getElementById('symmetric').checked = Boolean(c.symmetric);
        set('coefficients', c.coefficients ?? '');
        for (const option of ['sample-rate', 'mel-filters', 'dct-outputs', 'fmin', 'fmax', 'frame-length'])
            set(option, c[option] ?? '');
        set('name', c.name ?? '');
        set('align', c.align ?? '');
        set('section', c.section ?? '');
        set('bank', c.bank ?? '');
        document.getElementById('with-header').checked = Boolean(c.header);
    }, c);
    await page.click('#generate');
}

function shown(page) {
    return page.evaluate(() => ({
        source: document.getElementById('source').textContent,
        header: document.getElementById('header').textContent,
        stats: document.getElementById('stats').textContent,
        error: document.getElementById('error').hidden ? '' : document.getElementById('error').textContent,
        plotPoints: Object.fromEntries([...document.querySelectorAll('#plot polyline')].map(
            (line) => [line.dataset.series, line.getAttribute('points').trim().split(/\s+/).length])),
    }));
}

// A download, once Chromium has written it whole: it may create the file
// before it writes to it, so the file must hold something, and as much as
// a moment before.
async function waitForFile(file) {
    const size = () => (fs.existsSync(file) ? fs.statSync(file).size : 0);
    let seen = -1;
    for (let i = 0; i < 200; ++i) {
        const now = size();
        if (now > 0 && now === seen)
            break;
        seen = now;
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
    return fs.readFileSync(file, 'utf8');
}

const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: path.join(scratch, 'profile'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
    const page = await browser.newPage();
    const refused = [];
    await page.setRequestInterception(true);
    page.on('request', (request) => {
        const url = request.url();
        if (/^(file|data|blob):/.test(url)) {
            request.continue();
        } else {
            refused.push(url);
            request.abort();
        }
    });
    const pageErrors = [];
    page.on('pageerror', (error) => pageErrors.push(error.message));
    const cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });

    await page.setViewport({ width: 1024, height: 900 });
    const opened = performance.now();
    await page.goto(`file://${path.resolve(pagePath)}`);
    await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
    console.log(`first table shown ${(performance.now() - opened).toFixed(0)} ms after opening the page`);
    console.log(`page size: ${fs.statSync(pagePath).size} bytes`);

    // scipy.signal.butter(2, 1600, fs=16000, output='sos') and a band-pass
    // section, as numpy.savetxt writes them.
    const lowpass = '6.745527388907192334e-02 1.349105477781438467e-01 6.745527388907192334e-02 ' +
                    '1.000000000000000000e+00 -1.142980502539901133e+00 4.128015980961887710e-01\n';
    const bandpass = '# a second section\n1.0,0.0,-1.0,1.0,-1.6,0.81\n';
    const cases = [
        { size: '16' },
        { size: '1024', scale: '1000.25' },
        { size: '64', scale: '16383.9999999999990905052982270717620849609375' },
        { size: '64', scale: '0x3fff.ffffffffffp0', header: true },
        { size: '256', scale: '0x1p9', name: 'tw256', align: 'gnu', header: true },
        { size: '128', name: 'tw128', align: 'c11', round: 'nearest' },
        { size: '32', align: 'none', round: 'nearest', scale: '2.5', header: true },
        { size: '512', name: 'fast', align: 'gnu', section: '.dtcm_data' },
        { size: '64', section: '.fast', bank: '3', header: true },
        { size: '4096', round: 'nearest', scale: '32767' },
        { size: '32768', scale: '1234.5678901234567' },
        { size: '1024', scale: '32768', round: 'nearest' },
        { size: '64', round: 'floor', scale: '1000.5', align: 'ti' },
        { size: '256', layout: 'cmsis-rfft', name: 'rfft_256', header: true },
        { size: '64', layout: 'cmsis-cfft', type: 'q31', round: 'floor', align: 'c11' },
        { size: '8192', layout: 'cmsis-rfft', type: 'q31', section: '.fft_tables', header: true },
        { size: '400', layout: 'window' },
        { size: '1023', layout: 'window', window: 'flattop', symmetric: true, type: 'q31', header: true },
        { size: '32768', layout: 'window', window: 'blackman', round: 'zero', name: 'blackman_32k' },
        { size: '64', layout: 'window', window: 'hamming', align: 'gnu', section: '.win' },
        { size: '1024', layout: 'cmsis-mfcc', header: true },
        { size: '512', layout: 'cmsis-mfcc', type: 'q31', 'sample-rate': '8000', 'mel-filters': '24',
          'dct-outputs': '12', fmin: '20.5', fmax: '3999.5', window: 'hann', name: 'mfcc_512' },
        { size: '4096', layout: 'cmsis-mfcc', 'sample-rate': '44100', 'mel-filters': '64', 'dct-outputs': '20',
          fmin: '30', fmax: '16000', round: 'nearest', section: '.mfcc' },
        { size: '1024', layout: 'cmsis-mfcc', 'frame-length': '640', window: 'hann', symmetric: true,
          'sample-rate': '16000.14', header: true },
        { size: '1024', layout: 'cmsis-cfft', type: 'f32', header: true },
        { size: '4096', layout: 'cmsis-rfft', type: 'f16', name: 'spectrum' },
        { size: '256', layout: 'cmsis-mfcc', type: 'f32', window: 'hann', header: true },
        { size: '64', layout: 'cmsis-biquad', name: 'lowpass', header: true, coefficients: lowpass },
        { size: '37', layout: 'cmsis-biquad', type: 'q31', round: 'floor', coefficients: lowpass + bandpass },
        { size: '80', layout: 'cmsis-fir', coefficients: '0.25, 0.5,\n0.25 # taps\n', header: true },
    ];
    for (const c of cases) {
        await check(`case ${JSON.stringify(c)}`, async () => {
            await fillForm(page, c);
            const page_shows = await shown(page);
            const native = nativeRun(c);
            assert.equal(native.status, 0, native.err);
            assert.equal(page_shows.error, '');
            same(page_shows.source, native.out, 'the source');
            same(page_shows.header, native.header, 'the header');
            same(page_shows.stats, nativeRun(c, ['--stats']).out, 'the --stats report');
            const n = Number(c.size);
            if (c.layout === 'window') {
                assert.equal(page_shows.plotPoints.window, n, 'a point per value');
                return;
            }
            if (c.layout !== undefined)
                return; // the plot is a radix-2 table's or a window's
            assert.equal(page_shows.plotPoints.cosine + page_shows.plotPoints.sine, n, 'a point per entry');
            assert.equal(page_shows.plotPoints['cosine-error'] + page_shows.plotPoints['sine-error'], n,
                         'an error point per entry');
        });
    }

    const faults = [
        { size: '64', scale: 'abc' },
        { size: '64', scale: '32768.5' },
        { size: '64', scale: '+ 5' },
        { size: '64', name: 'int' },
        { size: '64', name: '__func__' },
        { size: '64', align: 'c11', section: '.fast' },
        { size: '64', align: 'gnu', bank: '3' },
        { size: '64', section: 'a b' },
        { size: '8192', layout: 'cmsis-cfft' },
        { size: '64', type: 'q31' },
        { size: '8192', layout: 'cmsis-rfft', type: 'f32' },
        { size: '64', layout: 'cmsis-cfft', type: 'f32', round: 'nearest' },
        { size: '1', layout: 'window' },
        { size: '400', layout: 'cmsis-mfcc' },
        { size: '512', layout: 'cmsis-mfcc', 'dct-outputs': '30' },
        { size: '512', layout: 'cmsis-mfcc', 'sample-rate': '16k' },
        { size: '256', layout: 'cmsis-mfcc', 'mel-filters': '200' },
        { size: '512', layout: 'cmsis-mfcc', fmax: '9000' },
        { size: '512', layout: 'cmsis-mfcc', 'frame-length': '640' },
        { size: '64', layout: 'cmsis-biquad', coefficients: '0.1 0.2 0.1 1 -0.5\n' },
        { size: '64', layout: 'cmsis-fir', coefficients: '0.5 1.5\n' },
        { size: '64', layout: 'cmsis-fir', coefficients: '' },
    ];
    for (const c of faults) {
        await check(`fault ${JSON.stringify(c)}`, async () => {
            await fillForm(page, c);
            const page_shows = await shown(page);
            const native = nativeRun(c);
            assert.equal(native.status, 1);
            const errorLine = native.err.split('\n').filter((line) => line.startsWith('ERROR:')).pop();
            assert.equal(page_shows.error, errorLine);
            assert.equal(page_shows.source, '', 'no source beside an error');
            assert.equal(page_shows.stats, '');
        });
    }

    await check('downloads', async () => {
        const c = { size: '128', name: 'tw128', align: 'gnu', header: true };
        await fillForm(page, c);
        const native = nativeRun(c);
        await page.click('#download-source');
        same(await waitForFile(path.join(downloads, 'tw128.c')), native.out, 'tw128.c');
        await page.click('#download-header');
        same(await waitForFile(path.join(downloads, 'tw128.h')), native.header, 'tw128.h');
        await fillForm(page, { size: '64' });
        assert.equal(await page.$eval('#download-header', (button) => button.disabled), true,
                     'no header to download without --header');
        await page.click('#download-source');
        same(await waitForFile(path.join(downloads, 'twiddle_64.c')), nativeRun({ size: '64' }).out,
             'twiddle_64.c');
    });

    // The fields of the options that a layout does not take are not shown,
    // nor the windows it does not take, as the tool's --help tells them.
    await check('the fields of each layout', async () => {
        const visible = (layout) => page.evaluate((layout) => {
            document.getElementById('layout').value = layout;
            document.getElementById('layout').dispatchEvent(new Event('change'));
            return {
                fields: [...document.querySelectorAll('label[data-option]')].filter((label) => !label.hidden)
                    .map((label) => label.dataset.option),
                windows: [...document.getElementById('window').options].filter((option) => !option.hidden)
                    .map((option) => option.value).filter((value) => value !== ''),
                q31: !document.querySelector('option[data-option="q31"]').hidden,
                floats: [...document.querySelectorAll('option[data-option="float"]')].filter((option) => !option.hidden)
                    .map((option) => option.value),
            };
        }, layout);
        assert.deepEqual(await visible('radix2'), { fields: ['scale'], windows: [], q31: false, floats: [] });
        assert.deepEqual(await visible('cmsis-rfft'), { fields: [], windows: [], q31: true, floats: ['f32', 'f16'] });
        assert.deepEqual(await visible('window'),
                         { fields: ['window', 'symmetric'], windows: ['hann', 'hamming', 'blackman', 'flattop'], q31: true,
                           floats: [] });
        assert.deepEqual(await visible('cmsis-biquad'), { fields: ['coefficients'], windows: [], q31: true, floats: [] });
        assert.deepEqual(await visible('cmsis-mfcc'),
                         { fields: ['window', 'symmetric', 'sample-rate', 'mel-filters', 'dct-outputs', 'fmin', 'fmax',
                                    'frame-length'],
                           windows: ['hann', 'hamming'], q31: true, floats: ['f32', 'f16'] });
    });

    await check('the keyboard alone', async () => {
        await fillForm(page, { size: '16' });
        await page.focus('#size');
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyA');
        await page.keyboard.up('Control');
        await page.keyboard.type('32768');
        await page.focus('#name');
        await page.keyboard.type('tw_keys');
        await page.keyboard.press('Enter');
        same((await shown(page)).source, nativeRun({ size: '32768', name: 'tw_keys' }).out, 'the source');
        for (let i = 0; i < 20; ++i) {
            await page.keyboard.press('Tab');
            if (await page.evaluate(() => document.activeElement.id) === 'generate')
                return;
        }
        assert.fail('Tab never reached the Generate button');
    });

    // Each panel of the plot has the values of both its axes, in text of at
    // least 10 px however wide the page, and its title above its traces.
    const checkPlotReadable = async (width) => {
        const plot = await page.evaluate(() => {
            const box = (element) => element.getBoundingClientRect();
            return {
                frames: [...document.querySelectorAll('#plot .frame')].map((frame) => {
                    const b = box(frame);
                    return { top: b.top, bottom: b.bottom, left: b.left, right: b.right };
                }),
                titles: [...document.querySelectorAll('#plot .title')].map((title) => box(title).bottom),
                ticks: [...document.querySelectorAll('#plot .tick')].map((tick) => ({
                    text: tick.textContent, height: box(tick).height, top: box(tick).top })),
                lines: [...document.querySelectorAll('#plot polyline')].map((line) => box(line).top),
            };
        });
        assert.equal(plot.frames.length, 2, 'two panels');
        for (const [i, frame] of plot.frames.entries()) {
            assert.ok(plot.titles[i] <= frame.top, `the title of panel ${i} is above its frame at ${width} px`);
            const ticks = plot.ticks.filter((tick) => tick.top >= frame.top - 10 && tick.top <= frame.bottom + 20);
            assert.ok(ticks.some((tick) => tick.text.startsWith('k = ')), `panel ${i} has values of k`);
            assert.ok(ticks.some((tick) => /^-?[0-9]+$/.test(tick.text)), `panel ${i} has values of its entries`);
        }
        for (const tick of plot.ticks)
            assert.ok(tick.height >= 10, `the axis value ${tick.text} is ${tick.height} px high at ${width} px`);
        for (const [i, top] of plot.lines.entries())
            assert.ok(top >= Math.min(...plot.frames.map((frame) => frame.top)) - 1, `trace ${i} stays in its panel`);
    };

    await check('375 px wide', async () => {
        await fillForm(page, { size: '256', name: 'tw256', align: 'gnu', header: true });
        await checkPlotReadable(1024);
        await page.setViewport({ width: 375, height: 800 });
        await page.waitForFunction(() => document.querySelector('#plot svg').getAttribute('width') < 400);
        await checkPlotReadable(375);
        const overflow = await page.evaluate(() => document.documentElement.scrollWidth);
        assert.ok(overflow <= 375, `the page is ${overflow} px wide`);
        await page.screenshot({ path: path.join(artifacts, 'page-375.png'), fullPage: true });
        await page.setViewport({ width: 1024, height: 900 });
        await page.screenshot({ path: path.join(artifacts, 'page.png'), fullPage: true });
        await fillForm(page, { size: '400', layout: 'window', window: 'hamming' });
        await page.screenshot({ path: path.join(artifacts, 'page-window.png'), fullPage: true });
    });

    await check("the README's size of the page, to the nearest 10 KB", async () => {
        const quoted = /one self-contained file of about ([0-9]+) KB/.exec(fs.readFileSync(readme, 'utf8'));
        assert.ok(quoted, 'the README gives no size of the page');
        assert.equal(Number(quoted[1]), Math.round(fs.statSync(pagePath).size / 10000) * 10,
                     `the page is ${fs.statSync(pagePath).size} bytes`);
    });

    await check('no request beyond the file, no script error', async () => {
        assert.deepEqual(refused, []);
        assert.deepEqual(pageErrors, []);
    });
} finally {
    await browser.close();
    fs.rmSync(scratch, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
