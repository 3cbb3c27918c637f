// Runs a wasm test program under node one test per process, as ctest does for the
// native build (the runtime and the platform keep process-wide state), two at a time.
// Usage: node run-tests.mjs PROGRAM.js [GTEST_FILTER]
import { spawn, spawnSync } from 'node:child_process';
import os from 'node:os';

const [program, filter = '*'] = process.argv.slice(2);
const node = [process.execPath, '--no-experimental-fetch', program];
const listing = spawnSync(node[0], [...node.slice(1), '--gtest_list_tests', `--gtest_filter=${filter}`],
                          { encoding: 'utf8' });
if (listing.status !== 0) {
  console.error(listing.stdout + listing.stderr);
  process.exit(1);
}
const tests = [];
let suite = '';
for (const line of listing.stdout.split('\n')) {
  if (/^\S.*\.$/.test(line)) suite = line.trim();
  else if (/^  \S/.test(line) && suite) tests.push(suite + line.trim().split(/\s+/)[0]);
}
if (tests.length === 0) {
  console.error(`${program}: no tests match ${filter}`);
  process.exit(1);
}

const failed = [];
let next = 0;
function runOne() {
  if (next >= tests.length) return Promise.resolve();
  const name = tests[next++];
  return new Promise((resolve) => {
    const child = spawn(node[0], [...node.slice(1), `--gtest_filter=${name}`], { stdio: 'pipe' });
    let out = '';
    child.stdout.on('data', (d) => (out += d));
    child.stderr.on('data', (d) => (out += d));
    const timer = setTimeout(() => child.kill('SIGKILL'), 300000);
    child.on('close', (code) => {
      clearTimeout(timer);
      // A skipped or filtered-away test must not pass for a run one.
      const passed = code === 0 && /\[  PASSED  \] 1 test/.test(out);
      if (!passed) {
        failed.push(name);
        console.log(out);
      }
      console.log(`${passed ? 'ok  ' : 'FAIL'} ${name}`);
      resolve();
    });
  }).then(runOne);
}
const workers = Math.max(1, Math.min(2, os.cpus().length));
await Promise.all(Array.from({ length: workers }, runOne));
console.log(`${program}: ${tests.length - failed.length}/${tests.length} passed`);
if (failed.length) {
  console.log('failed: ' + failed.join(' '));
  process.exit(1);
}
