// Validates one .glb file; prints the counts of errors, warnings, infos and hints, then each message.
// Exit status 0 when the file has neither errors nor warnings.
//   node tools/gltf-validator/validate.js FILE.glb
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

validator.validateBytes(new Uint8Array(fs.readFileSync(process.argv[2])), {maxIssues: 0})
    .then((report) => {
        const i = report.issues;
        console.log(`errors ${i.numErrors} warnings ${i.numWarnings} infos ${i.numInfos} hints ${i.numHints}`);
        for (const m of i.messages)
            console.log(`${m.severity} ${m.code} ${m.pointer || ''} ${m.message}`);
        process.exit(i.numErrors === 0 && i.numWarnings === 0 ? 0 : 1);
    })
    .catch((error) => {
        console.error(error);
        process.exit(2);
    });
