// Drives `kvc lsp` as an editor does, through Microsoft's JSON-RPC and protocol packages:
// initialize, open the example recipe, break it and mend it, hover, complete, go to
// definitions, close, shut down. Every expected value is worked out from the example's
// recipe and bundle (examples/braised-chicken).
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const require = createRequire(path.join(process.env.KV_NODE_PREFIX, 'package.json'));
const protocol = require('vscode-languageserver-protocol/node');

const example = path.join(process.env.KV_SOURCE_DIR, 'examples', 'braised-chicken');
const bundle = path.join(example, 'bundle');
const fileUri = (file) => pathToFileURL(file).href;

// A workspace of its own: the recipe and a kvc.json naming the example bundle relatively.
function makeWorkspace(name) {
  const dir = path.join(process.env.KV_WORK, name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  fs.copyFileSync(path.join(example, 'recipe.rcp'), path.join(dir, 'recipe.rcp'));
  fs.writeFileSync(path.join(dir, 'kvc.json'),
                   JSON.stringify({ bundle: path.relative(dir, bundle) }));
  return dir;
}

function startServer(workspace) {
  const server = spawn(process.env.KVC, ['lsp', '--debounce', '20'],
                       { cwd: workspace, stdio: ['pipe', 'pipe', 'inherit'] });
  const connection = protocol.createProtocolConnection(
    new protocol.StreamMessageReader(server.stdout),
    new protocol.StreamMessageWriter(server.stdin));
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  // Each publication, kept until a test step asks for it.
  const published = [];
  const waiting = [];
  connection.onNotification(protocol.PublishDiagnosticsNotification.type, (params) => {
    const index = waiting.findIndex((w) => w.match(params));
    if (index >= 0) waiting.splice(index, 1)[0].resolve(params);
    else published.push(params);
  });
  connection.onRequest(protocol.RegistrationRequest.type, () => null);
  connection.listen();
  const diagnostics = (uri, version) => {
    const match = (p) => p.uri === uri && p.version === version;
    const index = published.findIndex(match);
    if (index >= 0) return Promise.resolve(published.splice(index, 1)[0]);
    return new Promise((resolve) => waiting.push({ match, resolve }));
  };
  return { server, connection, exited, diagnostics };
}

const capabilities = {
  general: { positionEncodings: ['utf-16'] },
  workspace: { didChangeWatchedFiles: { dynamicRegistration: true } },
  textDocument: {
    publishDiagnostics: { relatedInformation: true },
    hover: { contentFormat: ['markdown', 'plaintext'] },
    completion: { completionItem: { snippetSupport: true } },
  },
};

function replaceLine(text, line, replacement) {
  const lines = text.split('\n');
  lines[line] = replacement;
  return lines.join('\n');
}

test('an editor session: diagnostics, hover, completion, definition, close and shutdown',
     async () => {
  const workspace = makeWorkspace('client');
  const { server, connection, exited, diagnostics } = startServer(workspace);
  try {
    await session(connection, diagnostics, workspace);
    assert.equal(await exited, 0);
  } finally {
    // A failed step leaves the server running; the test must still end.
    if (server.exitCode === null) server.kill();
    connection.dispose();
  }
});

async function session(connection, diagnostics, workspace) {
  const uri = fileUri(path.join(workspace, 'recipe.rcp'));
  const original = fs.readFileSync(path.join(workspace, 'recipe.rcp'), 'utf8');
  const textDocument = { uri };
  const at = (line, character) => ({ textDocument, position: { line, character } });
  const change = (version, text) =>
    connection.sendNotification(protocol.DidChangeTextDocumentNotification.type,
                                { textDocument: { uri, version }, contentChanges: [{ text }] });

  const init = await connection.sendRequest(protocol.InitializeRequest.type, {
    processId: process.pid, rootUri: fileUri(workspace), capabilities, workspaceFolders: null,
  });
  assert.equal(init.capabilities.positionEncoding, 'utf-16');
  assert.deepEqual(init.capabilities.textDocumentSync, { openClose: true, change: 1 });
  assert.equal(init.capabilities.hoverProvider, true);
  assert.equal(init.capabilities.definitionProvider, true);
  assert.deepEqual(init.capabilities.completionProvider.triggerCharacters, ['#', '(', ',']);
  await connection.sendNotification(protocol.InitializedNotification.type, {});

  // The example compiles cleanly.
  await connection.sendNotification(protocol.DidOpenTextDocumentNotification.type, {
    textDocument: { uri, languageId: 'kvrecipe', version: 1, text: original },
  });
  assert.deepEqual((await diagnostics(uri, 1)).diagnostics, []);

  // 300 is above heat's temperature range 0-250; the analyzer reports it at the call's name,
  // which starts after "task_t1 = 1; " (13 characters) on line 3, and the range covers the
  // call "heat(300, 2min)" (15 characters); the note gives the parameter's range and unit.
  const line3 = 'task_t1 = 1; heat(180, 2min); stir(30); starttimer(1)';
  await change(2, replaceLine(original, 2, line3.replace('180', '300')));
  const tooHot = (await diagnostics(uri, 2)).diagnostics;
  assert.equal(tooHot.length, 1);
  assert.deepEqual(tooHot[0].range, { start: { line: 2, character: 13 },
                                      end: { line: 2, character: 28 } });
  assert.deepEqual(tooHot[0].relatedInformation.map((info) => info.message),
                   ['参数<temp>的取值范围是0℃至250℃']);
  assert.equal(tooHot[0].severity, 1);
  assert.equal(tooHot[0].code, 1003);
  assert.equal(tooHot[0].source, 'kvc');
  assert.equal(tooHot[0].message, '参数值:<300>的值不在正常范围内，必须在0-250范围内');
  assert.match(tooHot[0].codeDescription.href,
               /errors\.md#1003-a-value-outside-its-range-or-choices$/);

  // A full-width parenthesis after stir (at character 13 + 17 + 4 = 34) is a syntax error
  // whose note names the ASCII mark meant.
  await change(3, replaceLine(original, 2, line3.replace('stir(30)', 'stir（30)')));
  const fullWidth = (await diagnostics(uri, 3)).diagnostics;
  assert.equal(fullWidth.length, 1);
  const range = { start: { line: 2, character: 34 }, end: { line: 2, character: 35 } };
  assert.deepEqual(fullWidth[0].range, range);
  assert.equal(fullWidth[0].code, 9019);
  assert.equal(fullWidth[0].message, '语法错误：应为<半角标点>，实际为<（>');
  assert.deepEqual(fullWidth[0].relatedInformation, [
    { location: { uri, range }, message: "full-width '（': did you mean '('?" },
  ]);

  await change(4, original);
  assert.deepEqual((await diagnostics(uri, 4)).diagnostics, []);

  // Hover: a call, a # reference, a quantity with its unit, an ingredient.
  const hover = (line, character) =>
    connection.sendRequest(protocol.HoverRequest.type, at(line, character));
  const onHeat = await hover(2, 15);
  assert.deepEqual(onHeat.contents, {
    kind: 'markdown',
    value: '**heat**(temp, time)\n\n' +
           '- `temp`: temperature (温度, float), from 0 to 250, in ℃\n' +
           '- `time`: duration (时长, int), from 0 to 7200, in s',
  });
  assert.deepEqual(onHeat.range, { start: { line: 2, character: 13 },
                                   end: { line: 2, character: 17 } });
  // Line 4: "pot.temp >= 160 => task_t1 = 2; " is 32 characters, "add(鸡块, " 8 more,
  // "0.5kg); add(生姜, 20g); stir(" 27 more: the reference starts at 67.
  assert.equal((await hover(3, 70)).contents.value,
               '**#stirSpeed**: a cooking parameter, one of `60`, `120`');
  const quantity = await hover(3, 42);
  assert.equal(quantity.contents.value, '0.5kg = **500 g** (1 kg = 1000 g)');
  assert.deepEqual(quantity.range, { start: { line: 3, character: 40 },
                                     end: { line: 3, character: 45 } });
  assert.equal((await hover(3, 37)).contents.value, '**鸡块**: ingredient, code 1001');
  assert.equal(await hover(0, 3), null);

  // Completion after "#" and after "heat(" on the last line, "time >= 240 => task_t3 = 2; "
  // (28 characters) followed by what is being typed.
  const typed = replaceLine(replaceLine(original, 3, 'pot.temp >= 160 => task_t1 = 2; stir(#'),
                            13, 'time >= 240 => task_t3 = 2; heat(');
  await change(5, typed);
  const complete = (line, character) =>
    connection.sendRequest(protocol.CompletionRequest.type, at(line, character));
  const references = await complete(3, 38);
  assert.deepEqual(references.items.map((item) => item.label),
                   ['#braiseTime', '#fireLevel', '#stirSpeed']);
  assert.deepEqual(references.items[2].textEdit, {
    range: { start: { line: 3, character: 37 }, end: { line: 3, character: 38 } },
    newText: '#stirSpeed',
  });
  // A temperature argument takes the cooking parameters whose every value is a temperature in
  // 0-250: fireLevel (1, 2, 3) and stirSpeed (60, 120), not braiseTime (20min, 30min).
  const heatArgument = await complete(13, 33);
  assert.deepEqual(heatArgument.items.map((item) => item.label), ['#fireLevel', '#stirSpeed']);
  assert.equal(heatArgument.items[0].detail, 'cooking parameter: 1, 2, 3');

  // Definitions: the lines of the bundle's tables where heat, stirSpeed and 鸡块 are written.
  await change(6, original);
  const definition = (line, character) =>
    connection.sendRequest(protocol.DefinitionRequest.type, at(line, character));
  const table = (file, line) => ({
    uri: fileUri(path.join(bundle, 'appParameterDataLc', file)),
    range: { start: { line, character: 0 }, end: { line, character: 0 } },
  });
  assert.deepEqual(await definition(2, 15), table('functionParasValueDes.json', 1));
  assert.deepEqual(await definition(3, 70), table('par.json', 1));
  assert.deepEqual(await definition(3, 37), table('ingredient.json', 1));

  // Closing clears the document's diagnostics.
  await change(7, replaceLine(original, 2, line3.replace('180', '300')));
  assert.equal((await diagnostics(uri, 7)).diagnostics.length, 1);
  await connection.sendNotification(protocol.DidCloseTextDocumentNotification.type,
                                    { textDocument });
  assert.deepEqual((await diagnostics(uri, undefined)).diagnostics, []);

  assert.equal(await connection.sendRequest(protocol.ShutdownRequest.type), null);
  await connection.sendNotification(protocol.ExitNotification.type);
}
