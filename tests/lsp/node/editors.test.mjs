// The VS Code client in editors/vscode: its TypeScript, and the manifest it reads its
// settings and language from, type-check against the packages its package.json names.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

const prefix = process.env.KV_NODE_PREFIX;
const source = path.join(process.env.KV_SOURCE_DIR, 'editors', 'vscode');
const manifest = JSON.parse(fs.readFileSync(path.join(source, 'package.json'), 'utf8'));

test('the client and its package.json pass tsc', () => {
  // A copy below the installed packages, whose node_modules its imports then resolve to.
  const copy = path.join(prefix, 'editors-vscode');
  fs.rmSync(copy, { recursive: true, force: true });
  fs.cpSync(source, copy, {
    recursive: true,
    filter: (file) => !/[\\/](node_modules|out)$/.test(file),
  });
  const tsc = path.join(prefix, 'node_modules', 'typescript', 'bin', 'tsc');
  try {
    execFileSync(process.execPath, [tsc, '--noEmit', '-p', copy], { encoding: 'utf8' });
  } catch (failure) {
    assert.fail(`tsc found errors:\n${failure.stdout}${failure.stderr}`);
  }
});

test('the test set-up installs the versions the client names', () => {
  const installed = JSON.parse(fs.readFileSync(path.join(prefix, 'package.json'), 'utf8'));
  const wanted = { ...manifest.dependencies, ...manifest.devDependencies };
  for (const [name, version] of Object.entries(wanted)) {
    assert.equal(installed.dependencies[name], version, name);
  }
  assert.equal(manifest.engines.vscode, `^${manifest.devDependencies['@types/vscode']}`);
});

test('recipes are a language of their own that starts the client', () => {
  const [language] = manifest.contributes.languages;
  assert.deepEqual(language.extensions, ['.rcp']);
  assert.ok(manifest.activationEvents.includes(`onLanguage:${language.id}`));
  assert.equal(manifest.main, './out/src/extension.js');
  assert.ok(fs.existsSync(path.join(source, language.configuration)));
});
