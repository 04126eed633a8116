// Feeds `kvc lsp` frames and messages no well-behaved client sends. Each gets the JSON-RPC
// error the protocol prescribes, in order, and the server goes on serving; the exit status
// tells whether shutdown came before exit.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { test } from 'node:test';

// The server with a reader of its frames, one message at a time.
function startServer() {
  const server = spawn(process.env.KVC, ['lsp', '--debounce', '0'],
                       { stdio: ['pipe', 'pipe', 'inherit'] });
  let buffer = Buffer.alloc(0);
  const messages = [];
  const waiting = [];
  server.stdout.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) return;
      const header = buffer.subarray(0, end).toString('latin1');
      const length = Number(/Content-Length: (\d+)/.exec(header)[1]);
      if (buffer.length < end + 4 + length) return;
      const message = JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString('utf8'));
      buffer = buffer.subarray(end + 4 + length);
      if (waiting.length > 0) waiting.shift()(message);
      else messages.push(message);
    }
  });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const next = () => messages.length > 0 ? Promise.resolve(messages.shift())
                                         : new Promise((resolve) => waiting.push(resolve));
  const raw = (bytes) => server.stdin.write(bytes);
  const frame = (body) => {
    const bytes = Buffer.isBuffer(body) ? body : Buffer.from(body, 'utf8');
    raw(Buffer.concat([Buffer.from(`Content-Length: ${bytes.length}\r\n\r\n`), bytes]));
  };
  const send = (message) => frame(JSON.stringify({ jsonrpc: '2.0', ...message }));
  return { server, exited, next, raw, frame, send };
}

const initialize = { method: 'initialize', params: { processId: null, rootUri: null, capabilities: {} } };

async function expectError(next, id, code) {
  const reply = await next();
  assert.equal(reply.id, id, JSON.stringify(reply));
  assert.equal(reply.error?.code, code, JSON.stringify(reply));
  assert.equal(typeof reply.error.message, 'string');
  return reply;
}

// Runs steps against a fresh server, which is ended if a step fails.
async function withServer(steps) {
  const served = startServer();
  try {
    await steps(served);
  } finally {
    if (served.server.exitCode === null) served.server.kill();
  }
}

test('malformed frames and messages are answered with errors, and the server goes on',
     () => withServer(async ({ server, exited, next, raw, frame, send }) => {
  frame('{oops');
  assert.match((await expectError(next, null, -32700)).error.message, /not JSON/);
  raw('Content-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n');
  assert.match((await expectError(next, null, -32700)).error.message, /Content-Length/);
  raw('Content-Length: twelve\r\n\r\n');
  assert.match((await expectError(next, null, -32700)).error.message, /'twelve'/);
  raw('Content-Length: 99999999999\r\n\r\n');
  await expectError(next, null, -32700);
  frame('[1, 2]');
  await expectError(next, null, -32600);
  frame('"initialize"');
  await expectError(next, null, -32600);
  frame(JSON.stringify({ jsonrpc: '1.0', id: 1, method: 'initialize' }));
  await expectError(next, 1, -32600);
  frame(JSON.stringify({ jsonrpc: '2.0', id: { nested: true }, method: 'initialize' }));
  await expectError(next, null, -32600);
  frame(JSON.stringify({ jsonrpc: '2.0', id: 2 }));
  await expectError(next, 2, -32600);

  // Before initialize, a request is refused and a notification dropped.
  send({ method: 'textDocument/didOpen',
         params: { textDocument: { uri: 'file:///r.rcp', version: 1, text: 'x' } } });
  send({ id: 'early', method: 'textDocument/hover', params: {} });
  await expectError(next, 'early', -32002);

  send({ id: 3, ...initialize });
  const init = await next();
  assert.equal(init.id, 3);
  assert.equal(init.result.capabilities.hoverProvider, true);
  send({ id: 4, ...initialize });
  await expectError(next, 4, -32600);
  send({ method: 'initialized', params: {} });
  // No bundle: the server says so once, and checks syntax only.
  const warning = await next();
  assert.equal(warning.method, 'window/showMessage');
  assert.equal(warning.params.type, 2);
  assert.match(warning.params.message, /no bundle/);

  send({ id: 5, method: 'textDocument/hover', params: { textDocument: {} } });
  await expectError(next, 5, -32602);
  send({ id: 6, method: 'textDocument/formatting', params: {} });
  assert.match((await expectError(next, 6, -32601)).error.message, /textDocument\/formatting/);
  send({ id: 7, method: '$/somethingNew', params: {} });
  await expectError(next, 7, -32601);
  // Unknown notifications need no answer: the next message is the next request's.
  send({ method: 'workspace/somethingNew', params: {} });
  send({ method: '$/cancelRequest', params: { id: 6 } });

  // A byte that is no UTF-8 character in a recipe: the parser's error (line 1, column 6)
  // reaches the editor as well-formed JSON.
  frame(Buffer.concat([
    Buffer.from('{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":' +
                '{"uri":"file:///bad.rcp","languageId":"kvrecipe","version":1,"text":"heat('),
    Buffer.from([0xff]),
    Buffer.from(')"}}}'),
  ]));
  const published = await next();
  assert.equal(published.method, 'textDocument/publishDiagnostics');
  assert.equal(published.params.diagnostics.length, 1);
  assert.equal(published.params.diagnostics[0].code, 9001);
  assert.equal(published.params.diagnostics[0].range.start.character, 5);

  send({ id: 8, method: 'textDocument/completion',
         params: { textDocument: { uri: 'file:///not-open.rcp' }, position: { line: 0, character: 0 } } });
  assert.deepEqual(await next(), { jsonrpc: '2.0', id: 8, result: null });

  send({ id: 9, method: 'shutdown' });
  assert.deepEqual(await next(), { jsonrpc: '2.0', id: 9, result: null });
  send({ id: 10, method: 'textDocument/hover', params: {} });
  await expectError(next, 10, -32600);
  send({ method: 'exit' });
  assert.equal(await exited, 0);
  assert.equal(server.exitCode, 0);
}));

test('exit without shutdown ends with status 1', () => withServer(async ({ exited, next, send }) => {
  send({ id: 1, ...initialize });
  await next();
  send({ method: 'exit' });
  assert.equal(await exited, 1);
}));

test('input that ends inside a frame ends the server with status 1',
     () => withServer(async ({ server, exited, raw }) => {
  raw('Content-Length: 100\r\n\r\n{"jsonrpc":"2.0",');
  server.stdin.end();
  assert.equal(await exited, 1);
}));
