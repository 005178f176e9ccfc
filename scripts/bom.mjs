// Writes a release's bill of materials as CycloneDX 1.5 JSON, for the
// scanners of those who install it: each file of the release with its
// SHA-256, and what went into each, with the versions of the build machine's
// Debian packages. It holds nothing but facts of the build, so a rebuild
// writes the same bytes.
// Arguments: the file to write, the project's version, freeglut's version and
// the SHA-256 of its tarball, the Debian package, the Windows zip and
// installer, and the site's zip.

import { createHash } from 'node:crypto';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { basename } from 'node:path';

const [output, version, toolkitVersion, toolkitSha256, deb, zip, msi, site] = process.argv.slice(2);

// Every tool in English, whatever the caller's locale.
function run(command, ...args) {
  return execFileSync(command, args, { encoding: 'utf8', env: { ...process.env, LC_ALL: 'C' } }).trim();
}

function sha256(file) {
  return createHash('sha256').update(readFileSync(file)).digest('hex');
}

const codename = readFileSync('/etc/os-release', 'utf8').match(/^VERSION_CODENAME=(.*)$/m)[1];

// An installed Debian package, as the build machine has it, with what it
// was to the release.
function debian(name, role) {
  const [version, arch] = run('dpkg-query', '-W', '-f=${Version} ${Architecture}\n', name).split('\n')[0].split(' ');
  return {
    type: 'library', 'bom-ref': `deb:${name}`, name, version,
    purl: `pkg:deb/debian/${name}@${encodeURIComponent(version)}?arch=${arch}&distro=${codename}`,
    properties: [{ name: 'polysketch:role', value: role }],
  };
}

// The Debian package that holds the command's real file.
function owner(command) {
  const path = run('readlink', '-f', run('sh', '-c', 'command -v "$1"', 'sh', command));
  return run('dpkg-query', '-S', path).split(':')[0];
}

// The package's dependencies as dpkg-shlibdeps wrote them, each the first
// of its alternatives.
function dependencies(file) {
  return run('dpkg-deb', '-f', file, 'Depends').split(/,\s*/)
    .map(entry => [entry.split('|')[0].trim().split(/[\s(]/)[0], entry]);
}

function artifact(file) {
  return { type: 'file', 'bom-ref': basename(file), name: basename(file), version,
           hashes: [{ alg: 'SHA-256', content: sha256(file) }] };
}

const freeglut = {
  type: 'library', 'bom-ref': 'freeglut', name: 'freeglut', version: toolkitVersion,
  hashes: [{ alg: 'SHA-256', content: toolkitSha256 }],
  purl: `pkg:generic/freeglut@${toolkitVersion}`,
  properties: [{ name: 'polysketch:role', value: 'linked statically from its upstream release' }],
};
const host = debian(owner('g++'), 'compiler and its runtime');
const linked = dependencies(deb).map(([name, entry]) => debian(name, `linked dynamically, as Depends: ${entry}`));
const windows = [freeglut, debian(owner('x86_64-w64-mingw32-g++'), 'compiler, whose C++ runtime is linked statically'),
                 debian('mingw-w64-x86-64-dev', 'C runtime, linked statically')];
const page = [debian('emscripten', 'compiler, whose runtime the page carries')];
const files = [deb, zip, msi, site].map(artifact);
const uses = [[deb, [host, ...linked]], [zip, windows], [msi, windows], [site, page]];

// One serial number for one set of files, so that a rebuild keeps it.
const digest = createHash('sha256').update(files.map(file => file.hashes[0].content).join('\n')).digest('hex');
const serial = `${digest.slice(0, 8)}-${digest.slice(8, 12)}-5${digest.slice(13, 16)}-` +
  `${(8 | parseInt(digest[16], 16) & 3).toString(16)}${digest.slice(17, 20)}-${digest.slice(20, 32)}`;

const bom = {
  bomFormat: 'CycloneDX',
  specVersion: '1.5',
  serialNumber: `urn:uuid:${serial}`,
  version: 1,
  metadata: {
    timestamp: new Date(Number(process.env.SOURCE_DATE_EPOCH) * 1000).toISOString().replace('.000Z', 'Z'),
    component: { type: 'application', 'bom-ref': 'polysketch', name: 'polysketch', version },
  },
  components: [...files, host, ...linked, ...windows, ...page],
  dependencies: [
    { ref: 'polysketch', dependsOn: files.map(file => file['bom-ref']) },
    ...uses.map(([file, parts]) => ({ ref: basename(file), dependsOn: parts.map(part => part['bom-ref']) })),
  ],
};
writeFileSync(output, `${JSON.stringify(bom, null, 2)}\n`);
