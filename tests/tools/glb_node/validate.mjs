// Validates .glb files with the Khronos glTF validator: one line per file
// (errors, warnings, triangles), the issues of a file that has any, and exit
// status 1 when any file has an error or a warning.
import { readFileSync } from 'node:fs';
import validator from 'gltf-validator';

let bad = 0;
for (const path of process.argv.slice(2)) {
  const bytes = new Uint8Array(readFileSync(path));
  const report = await validator.validateBytes(bytes, { maxIssues: 50 });
  const { numErrors, numWarnings, numInfos } = report.issues;
  const triangles = report.info ? report.info.totalTriangleCount : 0;
  console.log(`${path}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos, ` +
              `${triangles} triangles`);
  if (numErrors > 0 || numWarnings > 0) {
    bad += 1;
    for (const m of report.issues.messages) {
      if (m.severity <= 1) console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
    }
  }
}
process.exit(bad > 0 ? 1 : 0);
