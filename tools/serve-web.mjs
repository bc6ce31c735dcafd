#!/usr/bin/env node
// A tiny static web server for the page: serves a folder on 127.0.0.1 and
// prints its address. Plain node, no packages. Also imported by the page
// tests, which serve the build on a port of their own.
//
// usage: tools/serve-web.mjs [DIR [PORT]]   (default: build-web/web, any free port)
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.webmanifest': 'application/manifest+json',
  '.ico': 'image/x-icon',
  '.txt': 'text/plain; charset=utf-8',
};

// Serve `root` on 127.0.0.1:`port` (0: any free port). Resolves to the
// server once it listens; server.address().port is the port.
export function serve(root, port = 0) {
  const base = path.resolve(root);
  const server = createServer(async (request, response) => {
    const reply = (status, body, type = 'text/plain; charset=utf-8') => {
      response.writeHead(status, { 'Content-Type': type, 'Cache-Control': 'no-cache' });
      response.end(request.method === 'HEAD' ? undefined : body);
    };
    if (request.method !== 'GET' && request.method !== 'HEAD') return reply(405, 'method not allowed\n');
    let url, name;
    try {
      url = new URL(request.url, 'http://localhost');
      name = decodeURIComponent(url.pathname);
    } catch {
      return reply(400, 'bad request\n');
    }
    let file = path.join(base, path.normalize(name));
    if (file !== base && !file.startsWith(base + path.sep)) return reply(403, 'forbidden\n');
    try {
      if ((await stat(file)).isDirectory()) {
        // A folder's page loads its files relative to the folder's address.
        if (!url.pathname.endsWith('/')) {
          response.writeHead(301, { Location: url.pathname + '/' + url.search, 'Cache-Control': 'no-cache' });
          return response.end();
        }
        file = path.join(file, 'index.html');
      }
      const body = await readFile(file);
      reply(200, body, types[path.extname(file).toLowerCase()] || 'application/octet-stream');
    } catch {
      reply(404, 'not found\n');
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const here = path.dirname(fileURLToPath(import.meta.url));
  const dir = process.argv[2] || path.join(here, '..', 'build-web', 'web');
  const port = Number(process.argv[3] || 0);
  if (!Number.isInteger(port) || port < 0 || port > 65535) {
    console.error('usage: tools/serve-web.mjs [DIR [PORT]]');
    process.exit(2);
  }
  try {
    if (!(await stat(dir)).isDirectory()) throw new Error('not a folder');
  } catch {
    console.error(`serve-web: no folder ${dir} (build the page: cmake --preset web && cmake --build --preset web)`);
    process.exit(1);
  }
  serve(dir, port).then((server) => {
    console.log(`Serving ${path.resolve(dir)} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
  }, (error) => {
    console.error(`serve-web: ${error.message}`);
    process.exit(1);
  });
}
