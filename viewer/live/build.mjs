// Builds the live page: viewer/live/main.js bundled with three.js and the replay page's modules by
// esbuild, the simulated host's core (the script emscripten made, its WebAssembly inside) and the
// example scenarios inlined with the style sheet into viewer/live/page.html. One file, no server.
//
//   node build.mjs --core kestrane-live-core.js --scenarios DIR --out kestrane-live.html
import { build } from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));

function argument(name) {
  const i = process.argv.indexOf(name);
  if (i < 0 || i + 1 >= process.argv.length) throw new Error(`missing ${name}`);
  return process.argv[i + 1];
}

const scenariosDir = argument('--scenarios');
const scenarios = {};
for (const file of fs.readdirSync(scenariosDir).filter((f) => f.endsWith('.scn')).sort())
  scenarios[file] = fs.readFileSync(path.join(scenariosDir, file), 'utf8');

const bundle = await build({
  entryPoints: [path.join(here, 'main.js')],
  bundle: true,
  minify: true,
  format: 'iife',
  target: ['chrome110', 'firefox113', 'safari16.4'],
  write: false,
  legalComments: 'none',
  define: { KESTRANE_SCENARIOS: JSON.stringify(scenarios) },
  logLevel: 'warning',
});
// Inside an inline script nothing may close the element early.
const inline = (text) => text.replaceAll('</script', '<\\/script');
const page = fs.readFileSync(path.join(here, 'page.html'), 'utf8')
  .replace('/*style*/', () => fs.readFileSync(path.join(here, 'style.css'), 'utf8'))
  .replace('/*core*/', () => inline(fs.readFileSync(argument('--core'), 'utf8')))
  .replace('/*script*/', () => inline(bundle.outputFiles[0].text));
const out = argument('--out');
fs.mkdirSync(path.dirname(out), { recursive: true });
fs.writeFileSync(`${out}.partial`, page);
fs.renameSync(`${out}.partial`, out);
